// Static evaluation: a side's score grows with how its pieces gather in rows and columns,
//   E = sum over rows of b^2 + sum over columns of (k^2 + k),
// b and k being the side's pieces in the row or column. Four evaluators compute the same
// E; the driver installs the one that fits N.
#pragma once

#include <cstdint>

#include "bitrow/config.h"

namespace bitrow::BITROW_NS {

using Evaluator = std::int32_t (*)(const RowMask* rows);

extern Evaluator evaluate;
extern std::int32_t colTally[rowLimit];  // scratch of evaluateWide, zero between calls

std::int32_t evaluate4(const RowMask* rows);  // reads rows 0..3, for N up to 4
std::int32_t evaluate5(const RowMask* rows);  // reads rows 0..4, for N = 5
std::int32_t evaluate8(const RowMask* rows);  // rows 0..7 (zero from N on), for N 6 to 8
std::int32_t evaluateWide(const RowMask* rows);

// The evaluator for N: evaluate4, evaluate5, evaluate8 or evaluateWide.
Evaluator evaluatorFor(int n);

}  // namespace bitrow::BITROW_NS
