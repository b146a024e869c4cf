#include "bitrow/evaluate.h"

#include "bitrow/board.h"

namespace bitrow::BITROW_NS {

Evaluator evaluate;
std::int32_t colTally[rowLimit];

namespace {

// One pass over `rows` rows; accumulator k sums the masked bit k itself (worth 2^k), so
// shifting it right by k at the end gives the column count.
template <int Bits>
std::int32_t accumulate(const RowMask* rows, int count) {
    std::int32_t sum = 0;
    std::uint32_t acc[Bits] = {};
    for (int r = 0; r < count; r++) {
        const std::uint32_t m = rows[r];
        sum += bitCount[m] * bitCount[m];
        for (int k = 0; k < Bits; k++) acc[k] += m & (1u << k);
    }
    for (int k = 0; k < Bits; k++) {
        const std::int32_t c = static_cast<std::int32_t>(acc[k] >> k);
        sum += c;
        sum += c * c;
    }
    return sum;
}

}  // namespace

std::int32_t evaluate4(const RowMask* rows) {
    return accumulate<4>(rows, 4);
}
std::int32_t evaluate5(const RowMask* rows) {
    return accumulate<5>(rows, 5);
}
std::int32_t evaluate8(const RowMask* rows) {
    return accumulate<8>(rows, boardSize);
}

std::int32_t evaluateWide(const RowMask* rows) {
    const int n = boardSize;
    std::int32_t sum = 0;
    for (int r = 0; r < n; r++) {
        std::uint32_t m = rows[r];
        sum += bitCount[m] * bitCount[m];
        for (int k = 0; m; k++, m >>= 1) colTally[n - 1 - k] += m & 1;
    }
    for (int j = 0; j < n; j++) {
        const std::int32_t t = colTally[j];
        sum += t;
        sum += t * t;
        colTally[j] = 0;
    }
    return sum;
}

Evaluator evaluatorFor(int n) {
    if (n <= 4) return evaluate4;
    if (n == 5) return evaluate5;
    if (n <= 8) return evaluate8;
    return evaluateWide;
}

}  // namespace bitrow::BITROW_NS
