#include "bitrow/history.h"

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

#if BITROW_BOARD_KEY
__m128i keyWeightsX[2], keyWeightsO[2];
#endif

void setKeyWeights(int n) {
    std::uint32_t w = 41;
    for (int i = n - 1; i >= 0; i--) {
        keyWeight[i] = w;
        w *= 65599;
    }
    keySeedWeight = w;
#if BITROW_BOARD_KEY
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
#endif
}

}  // namespace bitrow::BITROW_NS
