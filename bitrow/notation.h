// The game's move notation: reading move lines of a game record, naming moves.
#pragma once

#include <cstdio>

#include "bitrow/types.h"

namespace bitrow::BITROW_NS {

// Reads one line (lineBufferSize - 1 characters at most; the rest of a longer line is the
// next line): a side letter L, R, T or B, then one digit and the newline, or two digits and
// anything. Returns the MoveIndex, or noMove for an unreadable line, end of input, or a
// number outside 1..N.
MoveIndex readMove(std::FILE* in);

// "L1" .. "B20"; index must lie in 0..4N-1.
const char* moveName(MoveIndex index);

}  // namespace bitrow::BITROW_NS
