// Checks a finished game record against the plain model on its own: the moves replayed
// one by one must lead to exactly the result and the kind of loss the record states.
#pragma once

#include <string>

#include "model/cell_model.h"
#include "referee/records/record.h"

namespace referee_test {

// Empty when the record's result follows from its moves, else what is wrong.
inline std::string replayMismatch(const referee::GameRecord& r, int maxPlies) {
    using referee::Loss;
    using referee::Winner;
    model::Game g(r.size);
    for (size_t i = 0; i < r.moves.size(); i++) {
        bool xMoved = g.toMove() == model::Piece::X;
        model::Outcome o = g.play(r.moves[i]);
        if (o == model::Outcome::Open) continue;
        if (i + 1 != r.moves.size())
            return "decided at ply " + std::to_string(i + 1) + " but went on";
        bool moverWins = o == model::Outcome::Won;
        Winner expect = moverWins == xMoved ? Winner::X : Winner::O;
        Loss loss = o == model::Outcome::Repetition ? Loss::Repetition : Loss::Straights;
        if (r.winner != expect) return "wrong winner after a decided last move";
        if (r.loss != loss) return "wrong kind of loss after a decided last move";
        return "";
    }
    if (r.loss == Loss::None) {
        if (r.winner != Winner::None) return "a winner without a loss";
        if (static_cast<int>(r.moves.size()) != maxPlies) return "a draw before the move cap";
        return "";
    }
    if (r.loss != Loss::Time && r.loss != Loss::Crash && r.loss != Loss::Illegal)
        return std::string("an open game lost by ") + referee::lossName(r.loss);
    // The side to move failed to answer, so the other side won.
    Winner expect = g.toMove() == model::Piece::X ? Winner::O : Winner::X;
    if (r.winner != expect) return "the side that failed is not the loser";
    return "";
}

}  // namespace referee_test
