#include "bitrow/deepen.h"

#include "bitrow/board.h"
#include "bitrow/history.h"
#include "bitrow/search.h"

namespace bitrow::BITROW_NS {

Deepening deepening;

MoveIndex searchRoot(RowMask* mover, RowMask* opponent, Score* bestScore, int depth,
                     const MoveIndex* inRow, MoveIndex* outRow) {
    MoveIndex best = noMove;
    Score bestValue = noScore;
    const int moves = 4 * sizes.boardSize;
    for (int i = 0; i < moves; i++) {
        const MoveIndex m = inRow[i];
        const Score v = search(m, mover, opponent, depth, bestValue, rootCeiling);
        if (v > bestValue && !searchState.timeUp) {
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

MoveIndex deepen(Score* score) {
    RowMask* mover = board.x;
    RowMask* opponent = board.o;
    if (history.histCount % 2 == 0) {
        mover = board.o;
        opponent = board.x;
    }
    const int moves = 4 * sizes.boardSize;
    for (int i = 0; i < moves; i++) deepening.moveOrder[firstDepth][i] = static_cast<MoveIndex>(i);

    const int limit = deepening.depthLimit < lastDepth ? deepening.depthLimit : lastDepth;
    MoveIndex result = static_cast<MoveIndex>(0);
    Score best = noScore;
    for (int depth = firstDepth;;) {
        Score s;
        const MoveIndex b = searchRoot(mover, opponent, &s, depth, deepening.moveOrder[depth],
                                       deepening.moveOrder[depth + 1]);
        if (b == noMove) break;
        result = b;
        best = s;
        if (deepening.iterationObserver)
            deepening.iterationObserver(depth, s, b, !searchState.timeUp);
        depth++;
        if (depth > limit || searchState.timeUp || isDecided(best)) break;
    }
    *score = best;
    return result;
}

}  // namespace bitrow::BITROW_NS
