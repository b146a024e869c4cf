// Iterative deepening at the root of the byte-board search: iterations of depth firstdepth
// to lastdepth over the 4N root moves, each reordered by the previous iteration's values,
// until a forced win, the last depth, or the alarm that ends the process.
#pragma once

#include <cstdint>

#include "byteboard/types.h"

namespace byteboard::BYTEBOARD_NS {

// A root move and its value in the iteration that listed it.
struct rootmove {
    char dir;
    int32_t pos;
    Score value;
};

// What computemove reports after an iteration.
struct iteration {
    int32_t depth;
    Score value;    // the best root value
    int64_t nodes;  // nscore of the iteration
    char dir;       // the chosen move
    int32_t pos;
    bool forcedwin;  // a forced win ended the iteration early
};

struct deepenstate {
    // The root move lists: the current iteration reads one and fills the other, sorted.
    rootmove moves[nmovesall];
    rootmove nmoves[nmovesall];
    // The answer so far, written only between iterations and at a forced win (the alarm
    // handler reads it); bestdir is 0 until the first iteration has completed.
    char bestdir = 0;
    int32_t bestpos = 0;
    // Called after every completed iteration and at a forced win; null in the players.
    void (*observer)(const iteration& it) = nullptr;
    // Depth of the last iteration; below firstdepth no iteration runs.
    int32_t maxdepth = lastdepth;
};
extern deepenstate deepening;

// Makes the engine ready for a new game: the empty board as record 0 and current record, no
// answer, no nodes counted, no observer, the last depth lastdepth. False when hist cannot be
// allocated.
bool reset();

// Chooses player's move in the current record by iterative deepening from firstdepth to
// maxdepth, writing the chosen move through outdir and outpos after every iteration. A
// forced win is answered at once and its move stays on the stack (hno one higher).
void computemove(char* outdir, int32_t* outpos, int32_t player);

}  // namespace byteboard::BYTEBOARD_NS
