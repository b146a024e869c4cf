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
    HistEntry** head = &histBucket[key & (histBuckets - 1)];
    for (const HistEntry* e = *head; e; e = e->link)
        if (e->key == key) return 0;
    HistEntry& r = histStack[histCount++];
    r.board = board;
    r.key = key;
    r.link = *head;
    *head = &r;
    return 1;
}

void popHist() {
    const HistEntry& r = histStack[--histCount];
    histBucket[r.key & (histBuckets - 1)] = r.link;
}

void restoreBoard() {
    board = histStack[histCount - 1].board;
}

}  // namespace bitrow::BITROW_NS
