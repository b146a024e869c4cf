// The position as row masks, move indices and the push rules.
//
// Column c of a row (1-based from the left) is bit N-c: bit N-1 is the leftmost column.
// Moves are indexed 0..4N-1: L1..LN, R1..RN, TN..T1, BN..B1.
#pragma once

#include <cstdint>

#include "bitrow/config.h"

namespace bitrow::BITROW_NS {

// X's rows (row 0 at the top) directly followed by O's rows; copied as one block.
struct Board {
    RowMask x[rowLimit];
    RowMask o[rowLimit];
};
static_assert(sizeof(Board) == 2 * rowLimit * sizeof(RowMask), "the halves must be contiguous");

extern Board board;

// Size parameters, set by setSize.
extern int boardSize;         // N
extern std::uint32_t topBit;  // column 1
extern std::uint32_t fullMask;
extern int hashShift;
extern std::int32_t bitCount[1 << rowLimit];
// For word-at-a-time tests on 8-bit rows read as one 64-bit word (row r in byte r): the
// bytes of rows N..7, and a word whose used bytes are fullMask and unused bytes all ones.
extern std::uint64_t unusedRowBytes;
extern std::uint64_t fullRowBytes;

// Stores N and fills the size parameters and bitCount for masks 0..2^N-1.
void setSize(int n);

// Pushes a piece of the mover in; returns 0 (refused, nothing changed; only when force
// is 0), 1 (an empty cell absorbed the push) or 2 (the push ran through the whole line).
// Unforced, the opening refusals and the duplicate refusal apply.
int applyMove(int index, RowMask* mover, RowMask* opponent, int force);
// The same rules cell by cell down each column; the 8-bit build's applyMove pushes columns
// a word at a time and must agree with it.
int applyMovePlain(int index, RowMask* mover, RowMask* opponent, int force);
int pushFromTop(int bit, RowMask* mover, RowMask* opponent, int force);
int pushFromBottom(int bit, RowMask* mover, RowMask* opponent, int force);

}  // namespace bitrow::BITROW_NS
