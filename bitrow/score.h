// The score scale and the terminal test. Scores are seen from the side that has just made
// the move being scored.
#pragma once

#include <cstdint>

#include "bitrow/config.h"

namespace bitrow::BITROW_NS {

constexpr std::int32_t winScore = 1000000000;
constexpr std::int32_t lossScore = -1000000000;  // also the score of a repetition
constexpr std::int32_t straightWeight = 10000000;
constexpr std::int32_t rootCeiling = 10000000;  // root window's top
constexpr std::int32_t decidedAbove = 9999999;  // |score| above this is decided
constexpr std::int32_t noScore = -2147483647;   // the move was not searched
constexpr std::int32_t cacheMiss = 2147483647;  // -noScore

inline bool isDecided(std::int32_t s) {
    return s > decidedAbove || s < -decidedAbove;
}

// winScore, lossScore, or 0 while the straights of a (who has just moved) and b are equal.
std::int32_t terminalScore(const RowMask* a, const RowMask* b);

}  // namespace bitrow::BITROW_NS
