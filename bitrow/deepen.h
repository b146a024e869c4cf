// Root move ordering and iterative deepening from depth 3 up to the depth limit.
#pragma once

#include <cstdint>

#include "bitrow/api.h"
#include "bitrow/config.h"

namespace bitrow::BITROW_NS {

constexpr int firstDepth = 3;
constexpr int lastDepth = 36;
constexpr int orderRows = 40;

// Row d is the order in which the iteration at depth d tries the root moves; it writes
// the order for depth d + 1 into row d + 1.
extern std::int32_t moveOrder[orderRows][4 * rowLimit];

// The deepening stops after this depth (lastDepth unless a tool lowers it).
extern int depthLimit;

// Called after every iteration that scored a move: its depth, best score and move, and
// whether the iteration ran over all root moves before time was up. Null in the players.
using IterationObserver = ::bitrow::IterationObserver;
extern IterationObserver iterationObserver;

// One iteration over all 4N root moves in the order of inRow; writes the next order to
// outRow, leaders first. Returns the best move, or -1 when no move was scored.
int searchRoot(RowMask* mover, RowMask* opponent, std::int32_t* bestScore, int depth,
               const std::int32_t* inRow, std::int32_t* outRow);

// Chooses the move for the side to move: MoveIndex 0 with noScore when no iteration
// scored a move.
int deepen(std::int32_t* score);

}  // namespace bitrow::BITROW_NS
