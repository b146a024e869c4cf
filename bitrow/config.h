// Build parameters of the bit-row engine: the row-mask width and rowLimit, the largest
// board it plays. One source is compiled once per width (BITROW_WIDTH = 8, 16 or 32);
// each width lives in its own namespace so that tools and tests can link all three.
#pragma once

#include <cstdint>

#if !defined(BITROW_WIDTH)
#error "BITROW_WIDTH must be defined as 8, 16 or 32"
#elif BITROW_WIDTH == 8
#define BITROW_NS w8
#elif BITROW_WIDTH == 16
#define BITROW_NS w16
#elif BITROW_WIDTH == 32
#define BITROW_NS w32
#else
#error "BITROW_WIDTH must be 8, 16 or 32"
#endif

namespace bitrow::BITROW_NS {

#if BITROW_WIDTH == 8
using RowMask = std::uint8_t;
constexpr int rowLimit = 8;
#elif BITROW_WIDTH == 16
using RowMask = std::uint16_t;
constexpr int rowLimit = 16;
#else
using RowMask = std::uint32_t;
constexpr int rowLimit = 20;
#endif

// The widest build has no wider build to hand a board to.
constexpr bool isWidestBuild = BITROW_WIDTH == 32;

}  // namespace bitrow::BITROW_NS
