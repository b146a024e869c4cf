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

void setKeyWeights(int n) {
    std::uint32_t w = 41;
    for (int i = n - 1; i >= 0; i--) {
        keyWeight[i] = w;
        w *= 65599;
    }
    keySeedWeight = w;
}

}  // namespace bitrow::BITROW_NS
