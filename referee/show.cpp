#include "referee/show.h"

#include "common/board_text.h"

namespace referee {

std::string drawBoard(const model::Board& board, std::optional<model::Move> last) {
    common::EdgeMark mark;
    if (last) mark = {last->side, last->line};
    return common::drawBoardOf(
        board.size(), [&](int r, int c) { return static_cast<int>(board.at(r, c)); }, mark);
}

}  // namespace referee
