#include "bitrow/history.h"

namespace bitrow::BITROW_NS {

HistEntry histStack[histCapacity];
History history;

std::uint32_t hashBoard() {
    std::uint32_t h = static_cast<std::uint32_t>(history.histCount) & 1;
    for (int i = 0; i < sizes.boardSize; i++)
        h = h * 65599 + ((static_cast<std::uint32_t>(board.x[i]) << sizes.hashShift) ^ board.o[i]);
    return h * 41;
}

PushResult pushHist() {
    const std::uint32_t key = hashBoard();
    if (keyRecorded(key)) return PushResult::refused;
    recordTracked(key);
    return PushResult::pushed;
}

void setKeyWeights(int n) {
    std::uint32_t w = 41;
    for (int i = n - 1; i >= 0; i--) {
        history.keyWeight[i] = w;
        w *= 65599;
    }
    history.keySeedWeight = w;
#if BITROW_WORDS
    alignas(16) std::int16_t xl[8] = {}, xh[8] = {}, ol[8] = {}, oh[8] = {};
    for (int i = 0; i < n; i++) {
        const std::uint32_t wx = history.keyWeight[i] << n, wo = history.keyWeight[i];
        xl[i] = static_cast<std::int16_t>(wx & 0xffff);
        xh[i] = static_cast<std::int16_t>((wx >> 16) + ((wx & 0x8000) ? 1 : 0));
        ol[i] = static_cast<std::int16_t>(wo & 0xffff);
        oh[i] = static_cast<std::int16_t>((wo >> 16) + ((wo & 0x8000) ? 1 : 0));
    }
    history.keyWeightsX[0] = _mm_load_si128(reinterpret_cast<const __m128i*>(xl));
    history.keyWeightsX[1] = _mm_load_si128(reinterpret_cast<const __m128i*>(xh));
    history.keyWeightsO[0] = _mm_load_si128(reinterpret_cast<const __m128i*>(ol));
    history.keyWeightsO[1] = _mm_load_si128(reinterpret_cast<const __m128i*>(oh));
#endif
}

}  // namespace bitrow::BITROW_NS
