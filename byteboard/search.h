// Evaluation and search of the byte-board engine: a static value read from the record's
// totals, a repetition test against the history, fixed-order alpha-beta, and iterative
// deepening at the root with the root moves reordered by the previous iteration's values.
#pragma once

#include <cstdint>

#include "byteboard/board.h"

namespace byteboard::BYTEBOARD_NS {

// A root move and its value in the iteration that listed it.
struct rootmove {
    char dir;
    int32_t pos;
    int32_t value;
};

// What computemove reports after an iteration.
struct iteration {
    int32_t depth;
    int32_t value;  // the best root value
    int64_t nodes;  // nscore of the iteration
    char dir;       // the chosen move
    int32_t pos;
    bool forcedwin;  // a forced win ended the iteration early
};

// Move generation order: top, right, bottom, left; positions 0..N-1 within each.
extern const char dirs[5];
// The root move lists: the current iteration reads one and fills the other, sorted.
extern rootmove moves[4 * N];
extern rootmove nmoves[4 * N];
// The answer so far; bestdir is 0 until the first iteration has completed.
extern char bestdir;
extern int32_t bestpos;
// Nodes valued in the current iteration; 0 after every completed iteration.
extern int64_t nscore;

// Called by computemove after every completed iteration and at a forced win; null by default.
extern void (*observer)(const iteration& it);
// Depth of the last iteration (999 by default). Below 3 no iteration runs.
extern int32_t maxdepth;

// Makes the engine ready for a new game: the empty board as record 0 and current record, no
// answer, no nodes counted. Returns false when hist cannot be allocated.
bool reset();

// Static value of rec, the current record hist[hno], for player to move: +1000000 when it
// repeats an earlier position with the same side to move; otherwise +-1000000 when one side
// has more straights, else the run totals' difference plus the signed square of the piece
// difference; X's view, negated for O.
int32_t score(const posrec& rec, int32_t player);

// Alpha-beta value of the current record for player to move, searched depth more plies.
// A decided position is a leaf at any depth; leaves are worth their value minus the depth
// left. Leaves hno as it found it. The window must lie within -2000000000..2000000000.
int32_t ab(int32_t depth, int32_t player, int32_t alpha, int32_t beta);

// Chooses player's move in the current record by iterative deepening from depth 3 to
// maxdepth, writing the chosen move through outdir and outpos after every iteration. A
// forced win is answered at once and its move stays on the stack (hno one higher).
void computemove(char* outdir, int32_t* outpos, int32_t player);

}  // namespace byteboard::BYTEBOARD_NS
