// The board as text for --show: row and column numbers, an arrow at the edge where the
// last piece came in.
#pragma once

#include <optional>
#include <string>

#include "model/cell_model.h"

namespace referee {

std::string drawBoard(const model::Board& board, std::optional<model::Move> last);

}  // namespace referee
