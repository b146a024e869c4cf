#include "bitrow/history.h"

#include <cstring>

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

namespace {

inline std::uint32_t rowValue(const Board& b, int i) {
    return (static_cast<std::uint32_t>(b.x[i]) << hashShift) ^ b.o[i];
}

}  // namespace

std::uint32_t nextKey() {
    const HistEntry& top = histStack[histCount - 1];
    // The seed is the side to move: it flips with every record.
    const std::uint32_t seedChange = (histCount & 1) ? 1u : ~0u;  // +1 or -1
    std::uint32_t key = top.key + keySeedWeight * seedChange;
    if constexpr (sizeof(RowMask) == 1 && rowLimit == 8) {
        // Rows as bytes of two words: the changed rows are the non-zero bytes of the XOR.
        std::uint64_t x0, o0, x1, o1;
        std::memcpy(&x0, top.board.x, 8);
        std::memcpy(&o0, top.board.o, 8);
        std::memcpy(&x1, board.x, 8);
        std::memcpy(&o1, board.o, 8);
        for (std::uint64_t d = (x0 ^ x1) | (o0 ^ o1); d;) {
            const int i = __builtin_ctzll(d) >> 3;
            key += keyWeight[i] * (rowValue(board, i) - rowValue(top.board, i));
            d &= ~(0xffull << (8 * i));
        }
    } else {
        for (int i = 0; i < boardSize; i++)
            if (board.x[i] != top.board.x[i] || board.o[i] != top.board.o[i])
                key += keyWeight[i] * (rowValue(board, i) - rowValue(top.board, i));
    }
    return key;
}

}  // namespace bitrow::BITROW_NS
