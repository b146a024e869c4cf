// The position stack of the byte-board engine: hist[k] is the position after k moves, the
// game's moves first, then those of the search path; hist[hno] is the current position. A
// move pushes a record, taking it back drops it (hno decreases by one).
#pragma once

#include <cstddef>
#include <cstdint>

#include "byteboard/board.h"

namespace byteboard::BYTEBOARD_NS {

struct historystate {
    posrec* hist = nullptr;
    int32_t hno = 0;
    int32_t hmax = 0;  // capacity of hist in records: histstart, times histgrowth as needed
    // Called when hist cannot grow, with hno and hist as before the move; must not return.
    // By default it writes "out of memory" to standard error and exits with status 1; the
    // player and the tools answer their best move so far instead.
    void (*growfailed)();
    // Test hook: resizes hist (realloc by default); tests replace it to simulate exhausted
    // memory.
    void* (*histrealloc)(void* old, std::size_t bytes);
};
extern historystate history;

// Makes record 0 the empty board and the current record, allocating hist with room for
// histstart records on first use (later calls keep the allocation). False when the
// allocation fails.
bool inithist();

// Grows hist by histgrowth for the record hno; on failure takes the move back and hands
// over to growfailed.
void growhist();

}  // namespace byteboard::BYTEBOARD_NS
