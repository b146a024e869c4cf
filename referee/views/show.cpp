#include "referee/views/show.h"

#include <cstdio>

#include "common/board_text.h"
#include "referee/text/escape.h"

namespace referee {

std::string drawBoard(const model::Board& board, std::optional<model::Move> last) {
    common::EdgeMark mark;
    if (last) mark = {last->side, last->line};
    return common::drawBoardOf(
        board.size(), [&](int r, int c) { return static_cast<int>(board.at(r, c)); }, mark);
}

namespace {

// "ply 7: X (name) L3 in 0.52 s; straights X 0, O 1"
std::string moveHeader(const GameEvent& e) {
    char buf[256];
    snprintf(buf, sizeof buf, "ply %d: %c (%s) %s in %.2f s; straights X %d, O %d\n", e.ply,
             e.x ? 'X' : 'O', escape(e.player->name, 60).c_str(),
             e.move ? model::moveName(*e.move).c_str() : "-", e.seconds,
             e.board->straights(model::Piece::X), e.board->straights(model::Piece::O));
    return buf;
}

}  // namespace

std::string showText(const GameEvent& e, bool tagGame) {
    std::string text = tagGame ? "game " + std::to_string(e.game) + ": " : "";
    switch (e.kind) {
        case GameEvent::Kind::Opening:
            return text + "opening: " + std::to_string(e.record->openingPlies) + " plies\n" +
                   drawBoard(*e.board, std::nullopt);
        case GameEvent::Kind::Move:
            return text + moveHeader(e) + drawBoard(*e.board, e.move);
        case GameEvent::Kind::NoMove:
            return text + moveHeader(e) + "  " + e.record->reason + "\n";
        case GameEvent::Kind::Result:
            return text + "result: " + resultText(e.record->winner) + ", " + e.record->reason +
                   "\n";
    }
    return text;
}

}  // namespace referee
