#include "referee/show.h"

#include "common/board_text.h"

namespace referee {

std::string drawBoard(const model::Board& board, std::optional<model::Move> last) {
    const int n = board.size();
    std::vector<int> cells(static_cast<size_t>(n) * n);
    for (int r = 0; r < n; r++)
        for (int c = 0; c < n; c++) cells[r * n + c] = static_cast<int>(board.at(r, c));
    common::EdgeMark mark;
    if (last) mark = {last->side, last->line};
    return common::drawBoard(n, cells, mark);
}

}  // namespace referee
