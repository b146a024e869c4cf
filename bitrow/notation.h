// The game's move notation: reading move lines of a game record, naming moves.
#pragma once

#include <cstdio>

#include "bitrow/config.h"

namespace bitrow::BITROW_NS {

// Lines are read at most 97 characters at a time; the rest of a longer line is read as
// the next line.
constexpr int lineBufferSize = 98;

// Reads one line: a side letter L, R, T or B, then one digit and the newline, or two
// digits and anything. Returns the MoveIndex, or -1 for an unreadable line, end of input,
// or a number outside 1..N.
int readMove(std::FILE* in);

// "L1" .. "B20"; index must lie in 0..4N-1.
const char* moveName(int index);

}  // namespace bitrow::BITROW_NS
