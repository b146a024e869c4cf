#include "bitrow/score.h"

#include "bitrow/board.h"

namespace bitrow::BITROW_NS {

std::int32_t terminalScore(const RowMask* a, const RowMask* b) {
    const int n = boardSize;
    // (row + 1) >> N is 1 exactly for a full row; the sum is taken in 32 bits, wider than
    // the row itself, so a full 16-bit row does not wrap to 0.
    std::uint32_t fullRowA = 0, fullRowB = 0, colsA = fullMask, colsB = fullMask;
    for (int r = 0; r < n; r++) {
        fullRowA |= (static_cast<std::uint32_t>(a[r]) + 1) >> n;
        fullRowB |= (static_cast<std::uint32_t>(b[r]) + 1) >> n;
        colsA &= a[r];
        colsB &= b[r];
    }
    const bool hasA = (fullRowA | colsA) != 0, hasB = (fullRowB | colsB) != 0;
    if (!hasA) return hasB ? lossScore : 0;
    if (!hasB) return winScore;

    std::int32_t s = 0;
    colsA = colsB = fullMask;
    for (int r = 0; r < n; r++) {
        if (a[r] == fullMask) s += straightWeight;
        if (b[r] == fullMask) s -= straightWeight;
        colsA &= a[r];
        colsB &= b[r];
    }
    for (; colsA; colsA &= colsA - 1) s += straightWeight;
    for (; colsB; colsB &= colsB - 1) s -= straightWeight;
    if (s > decidedAbove) return winScore;
    if (s > -straightWeight) return s;
    return lossScore;
}

}  // namespace bitrow::BITROW_NS
