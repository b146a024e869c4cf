// The static value of a position and the terminal test.
//
// A side's score grows with how its pieces gather in rows and columns,
//   E = sum over rows of b^2 + sum over columns of (k^2 + k),
// b and k being the side's pieces in the row or column. Four evaluators compute the same
// E; evaluatorFor picks the one that fits N, and the turn installs it as evaluate.
//
// A straight is a row or column held wholly by one side; the side with more straights has
// won, equal numbers (none included) leave the game open.
#pragma once

#include "bitrow/types.h"

namespace bitrow::BITROW_NS {

using Evaluator = Score (*)(const RowMask* rows);

Score evaluate4(const RowMask* rows);  // reads rows 0..3, for N up to 4
Score evaluate5(const RowMask* rows);  // reads rows 0..4, for N = 5
Score evaluate8(const RowMask* rows);  // rows 0..7 (zero from N on), for N 6 to 8
Score evaluateWide(const RowMask* rows);

// The evaluator the turn installs for its N (evaluatorFor); null before the first game. The
// search values its leaves from kept line counts, which must equal what this computes.
extern Evaluator evaluate;

// The evaluator for N: evaluate4, evaluate5, evaluate8 or evaluateWide.
Evaluator evaluatorFor(int n);

// winScore, lossScore, or 0 while the straights of a (who has just moved) and b are equal.
Score terminalScore(const RowMask* a, const RowMask* b);

}  // namespace bitrow::BITROW_NS
