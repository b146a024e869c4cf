// The position history: at once the repetition test, the undo store and the source of the
// score cache's key. Records are used strictly as a stack; every record is also linked,
// newest first, into the chain of its key's bucket.
#pragma once

#include <cstdint>

#include "bitrow/board.h"

namespace bitrow::BITROW_NS {

struct HistEntry {
    HistEntry* link;  // next older record in the same bucket
    std::uint32_t key;
    Board board;
};

constexpr int histCapacity = 3000;
constexpr int histBuckets = 4096;
// The deepest search line adds 37 records above the start position and the game's moves.
constexpr int maxRecordMoves = histCapacity - 38;

extern HistEntry histStack[histCapacity];
extern int histCount;  // records in use, the start position included: odd means X to move
extern HistEntry* histBucket[histBuckets];

// The key of the current board as a record at index histCount would hold it.
std::uint32_t hashBoard();
// Records the board as the new top; returns 0, changing nothing, when its key is already
// on the stack (equal keys count as the same position).
int pushHist();
void popHist();
// Copies the top record's board over the whole board.
void restoreBoard();

}  // namespace bitrow::BITROW_NS
