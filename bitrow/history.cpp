#include "bitrow/history.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace bitrow::BITROW_NS {

HistEntry histStack[histCapacity];
int histCount;
HistEntry* histBucket[histBuckets];

std::uint32_t hashBoard() {
    std::uint32_t h = static_cast<std::uint32_t>(histCount) & 1;
    for (int i = 0; i < boardSize; i++)
        h = h * 65599 + ((static_cast<std::uint32_t>(board.x[i]) << hashShift) ^ board.o[i]);
    return h * 41;
}

int pushHist() {
    const std::uint32_t key = hashBoard();
    if (keyRecorded(key)) return 0;
    recordBoard(key);
    return 1;
}

std::uint32_t keyWeight[rowLimit];
std::uint32_t keySeedWeight;

#if defined(__SSE2__)
// For the 8-bit build: the weights of the rows' bytes in the key, as [0] the low and [1] the
// high 16-bit halves, per 16-bit lane (row i in lane i). The high halves carry one more when
// the low half is read as negative by the signed multiply, which keeps the sum exact mod 2^32.
__m128i keyWeightsX[2], keyWeightsO[2];
#endif

void setKeyWeights(int n) {
    std::uint32_t w = 41;
    for (int i = n - 1; i >= 0; i--) {
        keyWeight[i] = w;
        w *= 65599;
    }
    keySeedWeight = w;
#if defined(__SSE2__)
    if constexpr (sizeof(RowMask) == 1 && rowLimit == 8) {
        alignas(16) std::int16_t xl[8] = {}, xh[8] = {}, ol[8] = {}, oh[8] = {};
        for (int i = 0; i < n; i++) {
            const std::uint32_t wx = keyWeight[i] << n, wo = keyWeight[i];
            xl[i] = static_cast<std::int16_t>(wx & 0xffff);
            xh[i] = static_cast<std::int16_t>((wx >> 16) + ((wx & 0x8000) ? 1 : 0));
            ol[i] = static_cast<std::int16_t>(wo & 0xffff);
            oh[i] = static_cast<std::int16_t>((wo >> 16) + ((wo & 0x8000) ? 1 : 0));
        }
        keyWeightsX[0] = _mm_load_si128(reinterpret_cast<const __m128i*>(xl));
        keyWeightsX[1] = _mm_load_si128(reinterpret_cast<const __m128i*>(xh));
        keyWeightsO[0] = _mm_load_si128(reinterpret_cast<const __m128i*>(ol));
        keyWeightsO[1] = _mm_load_si128(reinterpret_cast<const __m128i*>(oh));
    }
#endif
}

namespace {

inline std::uint32_t rowValue(const Board& b, int i) {
    return (static_cast<std::uint32_t>(b.x[i]) << hashShift) ^ b.o[i];
}

}  // namespace

std::uint32_t nextKey() {
#if defined(__SSE2__)
    if constexpr (sizeof(RowMask) == 1 && rowLimit == 8) {
        // With N at most 8, v_i = (X_i << N) ^ O_i = X_i * 2^N + O_i, so the key is a dot
        // product of the board's 16 bytes with fixed 32-bit weights, taken in full as the
        // low and high 16-bit halves of the weights, two multiply-adds each.
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&board));
        const __m128i zero = _mm_setzero_si128();
        const __m128i xs = _mm_unpacklo_epi8(bytes, zero), os = _mm_unpackhi_epi8(bytes, zero);
        const __m128i low =
            _mm_add_epi32(_mm_madd_epi16(xs, keyWeightsX[0]), _mm_madd_epi16(os, keyWeightsO[0]));
        const __m128i high =
            _mm_add_epi32(_mm_madd_epi16(xs, keyWeightsX[1]), _mm_madd_epi16(os, keyWeightsO[1]));
        __m128i sum = _mm_add_epi32(low, _mm_slli_epi32(high, 16));
        sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4e));
        sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xb1));
        return (histCount & 1) * keySeedWeight + static_cast<std::uint32_t>(_mm_cvtsi128_si32(sum));
    }
#endif
    // From the top record's key: the seed (the side to move) flips with every record, and
    // only the rows that differ from the top record's board change their terms.
    const HistEntry& top = histStack[histCount - 1];
    const std::uint32_t seedChange = (histCount & 1) ? 1u : ~0u;  // +1 or -1
    std::uint32_t key = top.key + keySeedWeight * seedChange;
    for (int i = 0; i < boardSize; i++)
        if (board.x[i] != top.board.x[i] || board.o[i] != top.board.o[i])
            key += keyWeight[i] * (rowValue(board, i) - rowValue(top.board, i));
    return key;
}

}  // namespace bitrow::BITROW_NS
