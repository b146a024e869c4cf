// Fixed-order alpha-beta over all 4N pushes of the byte-board engine, in the order of the
// move ring, with no move ordering and no cache below the root.
#pragma once

#include <cstdint>

#include "byteboard/types.h"

namespace byteboard::BYTEBOARD_NS {

// Alpha-beta value of the current record for player to move, searched depth more plies.
// A decided position is a leaf at any depth; leaves are worth their value minus the depth
// left. Leaves hno as it found it. The window must lie within lowest..highest.
Score ab(int32_t depth, int32_t player, Score alpha, Score beta);

}  // namespace byteboard::BYTEBOARD_NS
