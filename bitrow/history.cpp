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
    // An entry is the one without its lowest bit j plus row 8k + j's weight.
    for (int k = 0; k < maskBytes; k++)
        for (int b = 1; b < 256; b++) {
            const int row = 8 * k + __builtin_ctz(static_cast<unsigned>(b));
            history.keyRows[k][b] =
                history.keyRows[k][b & (b - 1)] + (row < n ? history.keyWeight[row] : 0);
        }
}

}  // namespace bitrow::BITROW_NS
