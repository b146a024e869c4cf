// The position as row masks (types.h draws the layout) and the push rules.
#pragma once

#include <cstdint>

#include "bitrow/types.h"

namespace bitrow::BITROW_NS {

// X's rows (row 0 at the top) directly followed by O's rows; copied as one block.
struct Board {
    RowMask x[rowLimit];
    RowMask o[rowLimit];
};
static_assert(sizeof(Board) == 2 * rowLimit * sizeof(RowMask), "the halves must be contiguous");

// The position, which the search changes in place. It is an object of its own, apart from
// Sizes: a push writes rows through pointers into it, and the compiler must assume such a
// write may change any other member of the same object, so it would read the size
// parameters again after every push.
extern Board board;

// The size parameters that setSize derives from N.
struct Sizes {
    int boardSize;         // N
    std::uint32_t topBit;  // column 1
    std::uint32_t fullMask;
    int hashShift;
    // For word-at-a-time tests on 8-bit rows read as one 64-bit word (row r in byte r): the
    // bytes of rows N..7, and a word whose used bytes are fullMask and unused bytes all ones.
    std::uint64_t unusedRowBytes;
    std::uint64_t fullRowBytes;
};
extern Sizes sizes;

// The set bits of every mask: entry m holds the count of m. setSize fills the entries of
// masks 0..2^N-1. An entry does not depend on N, so once filled it stays so, whatever N
// comes later and across resets of the engine.
struct BitCounts {
    std::uint32_t filled;  // entries 0..filled-1 hold their counts (a power of two, or 0)
    std::int32_t of[1 << rowLimit];
};
extern BitCounts bitCount;

// Stores N and fills the size parameters and bitCount for masks 0..2^N-1.
void setSize(int n);

// Pushes a piece of the mover in; unforced, the opening refusals and the duplicate refusal
// apply (forced, nothing is refused). PushResult tells what happened.
PushResult applyMove(MoveIndex index, RowMask* mover, RowMask* opponent, bool force);
// The same rules cell by cell down each column; applyMove pushes a column as one line (its
// column masks) and must agree with it.
PushResult applyMovePlain(MoveIndex index, RowMask* mover, RowMask* opponent, bool force);
PushResult pushFromTop(int bit, RowMask* mover, RowMask* opponent, bool force);
PushResult pushFromBottom(int bit, RowMask* mover, RowMask* opponent, bool force);

}  // namespace bitrow::BITROW_NS
