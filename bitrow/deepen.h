// Root move ordering and iterative deepening from firstDepth up to the depth limit.
#pragma once

#include <cstdint>

#include "bitrow/types.h"

namespace bitrow::BITROW_NS {

struct Deepening {
    // Row d is the order in which the iteration at depth d tries the root moves; it writes
    // the order for depth d + 1 into row d + 1.
    MoveIndex moveOrder[orderRows][4 * rowLimit];
    // The deepening stops after this depth (lastDepth unless a tool lowers it).
    int depthLimit = lastDepth;
    IterationObserver iterationObserver;  // null in the players
};
extern Deepening deepening;

// One iteration over all 4N root moves in the order of inRow; writes the next order to
// outRow, leaders first. Returns the best move, or noMove when no move was scored.
MoveIndex searchRoot(RowMask* mover, RowMask* opponent, Score* bestScore, int depth,
                     const MoveIndex* inRow, MoveIndex* outRow);

// Chooses the move for the side to move: MoveIndex 0 with noScore when no iteration
// scored a move.
MoveIndex deepen(Score* score);

}  // namespace bitrow::BITROW_NS
