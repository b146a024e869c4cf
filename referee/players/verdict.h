// The verdict on one run of a player: the move that stands, or how the player lost.
#pragma once

#include <optional>
#include <string>

#include "model/cell_model.h"
#include "referee/players/process.h"
#include "referee/records/loss.h"

namespace referee {

struct Turn {
    std::optional<model::Move> move;  // set when the answer stands
    Loss loss = Loss::None;           // Time, Crash or Illegal when it does not
    std::string why;                  // for the record, when it does not
    std::string note;                 // remarks on an answer that stands
    double seconds = 0;
};

// Exactly one line holding a move of this n stands as the answer (the line ending may be
// missing); anything else loses. limit: the seconds the player had, for the message.
Turn judgeRun(const RunResult& run, int n, double limit);

}  // namespace referee
