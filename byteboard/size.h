// Board size of the byte-board engine, fixed when it is compiled.
//
// The engine sources are compiled once per size with BYTEBOARD_N set to 6 or 7; every name
// lives in byteboard::n6 or byteboard::n7, so both sizes can be linked into one program.
// Code that uses the engine is compiled with the same BYTEBOARD_N and refers to the
// namespace as byteboard::BYTEBOARD_NS.
#pragma once

#if !defined(BYTEBOARD_N)
#error "BYTEBOARD_N must be defined (6 or 7)"
#elif BYTEBOARD_N == 6
#define BYTEBOARD_NS n6
#elif BYTEBOARD_N == 7
#define BYTEBOARD_NS n7
#else
#error "BYTEBOARD_N must be 6 or 7"
#endif

namespace byteboard::BYTEBOARD_NS {

// Cells on a side of the board.
constexpr int N = BYTEBOARD_N;

}  // namespace byteboard::BYTEBOARD_NS
