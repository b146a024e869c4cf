// Negamax alpha-beta search whose nodes are moves, with a score cache for positions
// reached by a push that ran through its whole line.
#pragma once

#include <csignal>
#include <cstdint>

#include "bitrow/types.h"

namespace bitrow::BITROW_NS {

// Scores of earlier searched positions: the slot of a position at remaining depth d is
// (d + key) mod cacheSlots, and it serves only the same key. An object of its own, 8 MiB,
// which a reset clears only when a search has run since: untouched, it is still all zero.
struct ScoreCache {
    bool searched;  // set by every search: slots may have been written
    std::int32_t key[cacheSlots];
    Score score[cacheSlots];
};
extern ScoreCache scoreCache;

struct SearchState {
    // Raised by the turn's alarm; every search node polls it.
    volatile std::sig_atomic_t timeUp;
    // Calls of search since the counter was last cleared (refused moves included); the
    // analysis tool reports it per iteration.
    std::uint64_t searchCalls;
};
extern SearchState searchState;

// The value of `move` for the mover, depth further plies below it, on the score scale;
// noScore when the move was refused or time is up. Leaves the board and the history as
// it found them.
Score search(MoveIndex move, RowMask* mover, RowMask* opponent, int depth, Score alpha, Score beta);

}  // namespace bitrow::BITROW_NS
