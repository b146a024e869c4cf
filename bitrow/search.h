// Negamax alpha-beta search whose nodes are moves, with a score cache for positions
// reached by a push that ran through its whole line.
#pragma once

#include <csignal>
#include <cstdint>

#include "bitrow/config.h"

namespace bitrow::BITROW_NS {

constexpr int cacheSlots = 1 << 20;

struct ScoreCache {
    std::int32_t key[cacheSlots];
    std::int32_t score[cacheSlots];
};
extern ScoreCache scoreCache;

// Raised by the turn's alarm; every search node polls it.
extern volatile std::sig_atomic_t timeUp;

// Calls of search since the counter was last cleared (refused moves included); the
// analysis tool reports it per iteration.
extern std::uint64_t searchCalls;

// The value of `move` for the mover, depth further plies below it, on the score scale;
// noScore when the move was refused or time is up. Leaves the board and the history as
// it found them.
std::int32_t search(int move, RowMask* mover, RowMask* opponent, int depth, std::int32_t alpha,
                    std::int32_t beta);

}  // namespace bitrow::BITROW_NS
