#include "bitrow/deepen.h"

#include "bitrow/board.h"
#include "bitrow/history.h"
#include "bitrow/score.h"
#include "bitrow/search.h"

namespace bitrow::BITROW_NS {

std::int32_t moveOrder[orderRows][4 * rowLimit];
int depthLimit = lastDepth;
IterationObserver iterationObserver;

int searchRoot(RowMask* mover, RowMask* opponent, std::int32_t* bestScore, int depth,
               const std::int32_t* inRow, std::int32_t* outRow) {
    int best = -1;
    std::int32_t bestValue = noScore;
    const int moves = 4 * boardSize;
    for (int i = 0; i < moves; i++) {
        const std::int32_t m = inRow[i];
        const std::int32_t v = search(m, mover, opponent, depth, bestValue, rootCeiling);
        if (v > bestValue && !timeUp) {
            // A new leader goes to the front; the moves placed so far move one place up.
            for (int j = i; j > 0; j--) outRow[j] = outRow[j - 1];
            outRow[0] = m;
            best = m;
            bestValue = v;
        } else {
            outRow[i] = m;
        }
    }
    *bestScore = bestValue;
    return best;
}

int deepen(std::int32_t* score) {
    RowMask* mover = board.x;
    RowMask* opponent = board.o;
    if (histCount % 2 == 0) {
        mover = board.o;
        opponent = board.x;
    }
    const int moves = 4 * boardSize;
    for (int i = 0; i < moves; i++) moveOrder[firstDepth][i] = i;

    const int limit = depthLimit < lastDepth ? depthLimit : lastDepth;
    int result = 0;
    std::int32_t best = noScore;
    for (int depth = firstDepth;;) {
        std::int32_t s;
        const int b =
            searchRoot(mover, opponent, &s, depth, moveOrder[depth], moveOrder[depth + 1]);
        if (b < 0) break;
        result = b;
        best = s;
        if (iterationObserver) iterationObserver(depth, s, b, !timeUp);
        depth++;
        if (depth > limit || timeUp || isDecided(best)) break;
    }
    *score = best;
    return result;
}

}  // namespace bitrow::BITROW_NS
