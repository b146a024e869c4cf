// The byte-board input check for one board size (see byteboard_input_one.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "byteboard/types.h"

namespace fuzzing::BYTEBOARD_NS {

void runInput(const std::uint8_t* data, std::size_t size);

}  // namespace fuzzing::BYTEBOARD_NS
