// The position history: at once the repetition test, the undo store and the source of the
// score cache's key. Records are used strictly as a stack; every record is also linked,
// newest first, into the chain of its key's bucket.
#pragma once

#include <cstdint>

#include "bitrow/board.h"

// The word-at-a-time build takes a column push's key from the whole board, and the scores
// from the counts (linecounts.h), in vector registers.
#if BITROW_WORDS
#include <emmintrin.h>
#endif

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
    // Set by setSize: keyWeight[i] is 41 * 65599^(N-1-i), keySeedWeight 41 * 65599^N.
    std::uint32_t keyWeight[rowLimit];
    std::uint32_t keySeedWeight;
#if BITROW_WORDS
    // keyWeight as 16-bit halves for boardKey.
    __m128i keyWeightsX[2], keyWeightsO[2];
#endif
};
extern History history;

// The key of the current board as a record at index histCount would hold it.
std::uint32_t hashBoard();

void setKeyWeights(int n);

#if BITROW_WORDS
// The rows' part of the key of a board given as its 16 bytes (X rows, then O rows), in one
// vector pass, without the side to move. With N at most 8, row i's term is X_i * 2^N + O_i,
// so the key is a dot product of the 16 bytes with fixed 32-bit weights, taken as their low
// and high 16-bit halves (per 16-bit lane, row i in lane i; a high half carries one more
// when its low half reads as negative in the signed multiply-add, which keeps the sum exact
// mod 2^32).
inline std::uint32_t rowsKey(__m128i bytes) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i xs = _mm_unpacklo_epi8(bytes, zero), os = _mm_unpackhi_epi8(bytes, zero);
    const __m128i low = _mm_add_epi32(_mm_madd_epi16(xs, history.keyWeightsX[0]),
                                      _mm_madd_epi16(os, history.keyWeightsO[0]));
    const __m128i high = _mm_add_epi32(_mm_madd_epi16(xs, history.keyWeightsX[1]),
                                       _mm_madd_epi16(os, history.keyWeightsO[1]));
    __m128i sum = _mm_add_epi32(low, _mm_slli_epi32(high, 16));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4e));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xb1));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(sum));
}

// The key of the current board, side to move included.
inline std::uint32_t boardKey() {
    return (history.histCount & 1) * history.keySeedWeight +
           rowsKey(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&board)));
}
#endif

// Whether a record with this key is on the stack.
inline bool keyRecorded(std::uint32_t key) {
    for (const HistEntry* e = history.histBucket[key & (histBuckets - 1)]; e; e = e->link)
        if (e->key == key) return true;
    return false;
}

// The recording half of pushHist: records the board under this key as the new top.
inline void recordBoard(std::uint32_t key) {
    HistEntry** head = &history.histBucket[key & (histBuckets - 1)];
    HistEntry& r = histStack[history.histCount++];
    r.board = board;
    r.key = key;
    r.link = *head;
    *head = &r;
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
