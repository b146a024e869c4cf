#include "byteboard/deepen.h"

#include "byteboard/evaluate.h"
#include "byteboard/search.h"

#include <utility>

#include "common/alarm.h"

namespace byteboard::BYTEBOARD_NS {

namespace {

// Writes the chosen move with the alarm blocked, so that the alarm handler, which prints
// the pair, never sees the side letter of one iteration with the position of another.
void publish(char* outdir, int32_t* outpos, char dir, int32_t pos) {
    posixkit::AlarmBlocked blocked;
    *outdir = dir;
    *outpos = pos;
}

// Puts (dir, pos, f) into list, whose first j entries are sorted highest first, after the
// entries of equal or higher value.
void insertsorted(rootmove* list, int j, const rootmove& e) {
    int i = j;
    while (i > 0 && list[i - 1].value < e.value) {
        list[i] = list[i - 1];
        i--;
    }
    list[i] = e;
}

// The chosen move of an iteration so far.
struct choice {
    char dir;
    int32_t pos;
};

// One iteration over the root list current, filling next sorted by the values found.
// Returns the best value; chosen becomes the first move that reached it. Stops at the
// first forced win (returning its value, its move left on the stack).
Score searchroot(const rootmove* current, rootmove* next, int32_t depth, int32_t player,
                 choice& chosen) {
    Score best = lowest;
    for (int j = 0; j < nmovesall; j++) {
        const rootmove e = current[j];
        domove(e.dir, e.pos, player);
        // The child gets the iteration's depth: iteration d looks d + 1 plies ahead.
        const Score f = -ab(depth, 3 - player, lowest, -best);
        if (f > best) {
            best = f;
            chosen = {e.dir, e.pos};
            if (f > decidedbound) return f;
        }
        history.hno--;
        insertsorted(next, j, {e.dir, e.pos, f});
    }
    return best;
}

}  // namespace

deepenstate deepening;

bool reset() {
    if (!inithist()) return false;
    evaluation = evalstate{};
    deepening = deepenstate{};
    return true;
}

void computemove(char* outdir, int32_t* outpos, int32_t player) {
    rootmove* current = deepening.moves;
    rootmove* next = deepening.nmoves;
    for (MoveIndex m = 0; m < nmovesall; m++) current[m] = {sideof(m), posof(m), 0};

    choice chosen = {0, 0};
    for (int32_t depth = firstdepth; depth <= deepening.maxdepth; depth++) {
        const Score best = searchroot(current, next, depth, player, chosen);
        publish(outdir, outpos, chosen.dir, chosen.pos);
        const bool forcedwin = best > decidedbound;
        if (deepening.observer)
            deepening.observer({depth, best, evaluation.nscore, chosen.dir, chosen.pos, forcedwin});
        if (forcedwin) return;
        evaluation.nscore = 0;
        std::swap(current, next);
    }
    publish(outdir, outpos, chosen.dir, chosen.pos);
}

}  // namespace byteboard::BYTEBOARD_NS
