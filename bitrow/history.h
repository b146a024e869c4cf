// The position history: at once the repetition test, the undo store and the source of the
// score cache's key. Records are used strictly as a stack; every record is also linked,
// newest first, into the chain of its key's bucket.
#pragma once

#include <cstdint>

#include "bitrow/board.h"

namespace bitrow::BITROW_NS {

struct HistEntry {
    HistEntry* link;  // next older record in the same bucket
    std::uint32_t key;
    Board board;
};

// The key is 41 * (seed * 65599^N + sum over rows i of v_i * 65599^(N-1-i)) with
// v_i = (X row i << hashShift) ^ O row i, so it can be updated row by row.
// The stack of records, an object of its own apart from History for the same reason as the
// board: every record takes a copy of the board's rows.
extern HistEntry histStack[histCapacity];

struct History {
    int histCount;  // records in use, the start position included: odd means X to move
    int peak;       // no record from this index on has been written since the last reset
    HistEntry* histBucket[histBuckets];
    // Set by setSize: keyWeight[i] is 41 * 65599^(N-1-i), keySeedWeight 41 * 65599^N, and
    // keyRows[k][b] the sum of keyWeight[8k + j] over the bits j of b (rows from N on weigh
    // 0), so that a column mask's rows weigh the sum of one entry per byte.
    std::uint32_t keyWeight[rowLimit];
    std::uint32_t keySeedWeight;
    std::uint32_t keyRows[maskBytes][256];
};
extern History history;

// The key of the current board as a record at index histCount would hold it.
std::uint32_t hashBoard();

void setKeyWeights(int n);

// A row's term in the key: (X row << hashShift) ^ O row.
[[gnu::always_inline]] inline std::uint32_t rowTerm(std::uint32_t x, std::uint32_t o) {
    return (x << sizes.hashShift) ^ o;
}

// The key's change when row i goes from (x0, o0) to (x1, o1).
[[gnu::always_inline]] inline std::uint32_t rowKeyChange(int i, std::uint32_t x0, std::uint32_t o0,
                                                         std::uint32_t x1, std::uint32_t o1) {
    return history.keyWeight[i] * (rowTerm(x1, o1) - rowTerm(x0, o0));
}

// The sum of keyWeight over the rows of a column mask (bit j: row j).
[[gnu::always_inline]] inline std::uint32_t rowsWeight(std::uint32_t rows) {
    std::uint32_t w = 0;
#pragma GCC unroll 4
    for (int k = 0; k < maskBytes; k++) w += history.keyRows[k][(rows >> (8 * k)) & 0xff];
    return w;
}

// The key's change when the column of bit a goes from the column masks (x0, o0) to (x1, o1),
// colX and colO being the column masks of the board around it. In every row the column's X
// cell is bit a + hashShift of the term and its O cell bit a, so the change is the rows'
// weights of the cells gained less those lost, at those bits. From N = 16 on, X's shifted
// cells share bits with O's: where a cell's bit is also set by the other side's cell of
// column a + hashShift (O) or a - hashShift (X), the XOR makes its change count negatively;
// X cells shifted past bit 31 do not count at all.
[[gnu::always_inline]] inline std::uint32_t columnKeyChange(int a, std::uint32_t x0,
                                                            std::uint32_t o0, std::uint32_t x1,
                                                            std::uint32_t o1, const RowMask* colX,
                                                            const RowMask* colO) {
    const int shift = sizes.hashShift;
    std::uint32_t dx = rowsWeight(x1) - rowsWeight(x0), dO = rowsWeight(o1) - rowsWeight(o0);
    if constexpr (rowLimit >= 16) {
        const int n = sizes.boardSize;
        if (a + shift < n) {
            const std::uint32_t p = colO[a + shift];
            dx -= 2 * (rowsWeight(x1 & p) - rowsWeight(x0 & p));
        }
        if (a >= shift) {
            const std::uint32_t p = colX[a - shift];
            dO -= 2 * (rowsWeight(o1 & p) - rowsWeight(o0 & p));
        }
    }
    return (a + shift < 32 ? dx << (a + shift) : 0) + (dO << a);
}

// Whether a record with this key is on the stack.
inline bool keyRecorded(std::uint32_t key) {
    for (const HistEntry* e = history.histBucket[key & (histBuckets - 1)]; e; e = e->link)
        if (e->key == key) return true;
    return false;
}

// Records this key as the new top, linked into its chain, without the board: for a record
// that is popped before anything reads its board back.
inline void recordKey(std::uint32_t key) {
    HistEntry** head = &history.histBucket[key & (histBuckets - 1)];
    HistEntry& r = histStack[history.histCount++];
    r.key = key;
    r.link = *head;
    *head = &r;
}

// The recording half of pushHist: records the board under this key as the new top.
inline void recordBoard(std::uint32_t key) {
    histStack[history.histCount].board = board;
    recordKey(key);
}
// recordBoard outside the search (which bounds its own records for the reset): raises the
// peak.
inline void recordTracked(std::uint32_t key) {
    recordBoard(key);
    if (history.histCount > history.peak) history.peak = history.histCount;
}
// Records the board as the new top (pushed); refused, changing nothing, when its key is
// already on the stack (equal keys count as the same position).
PushResult pushHist();
inline void popHist() {
    const HistEntry& r = histStack[--history.histCount];
    history.histBucket[r.key & (histBuckets - 1)] = r.link;
}
// Copies the top record's board over the whole board.
inline void restoreBoard() {
    board = histStack[history.histCount - 1].board;
}

}  // namespace bitrow::BITROW_NS
