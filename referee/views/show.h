// The text of --show: a line per step of a game, and the board with row and column
// numbers and an arrow at the edge where the last piece came in.
#pragma once

#include <optional>
#include <string>

#include "model/cell_model.h"
#include "referee/play/game.h"

namespace referee {

std::string drawBoard(const model::Board& board, std::optional<model::Move> last);

// One step of a game; `tagGame` starts it with "game G: " (games played at the same time).
std::string showText(const GameEvent& e, bool tagGame);

}  // namespace referee
