#include "bitrow/score.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "bitrow/board.h"

namespace bitrow::BITROW_NS {

namespace {

// Both sides have straights: count them, 10000000 each, and decide on the difference.
std::int32_t countStraights(const RowMask* a, const RowMask* b) {
    const int n = boardSize;
    std::uint32_t colsA = fullMask, colsB = fullMask;
    std::int32_t s = 0;
    for (int r = 0; r < n; r++) {
        if (a[r] == fullMask) s += straightWeight;
        if (b[r] == fullMask) s -= straightWeight;
        colsA &= a[r];
        colsB &= b[r];
    }
    for (; colsA; colsA &= colsA - 1) s += straightWeight;
    for (; colsB; colsB &= colsB - 1) s -= straightWeight;
    if (s > decidedAbove) return winScore;
    if (s > -straightWeight) return s;
    return lossScore;
}

#if defined(__SSE2__) && BITROW_WIDTH == 8
// Straights of both sides of the 8-bit build at once: the two sides' rows as the two halves
// of one vector, row r in byte r. A row is full when its byte equals fullMask (rows from N on
// are zero and meet all-ones in fullRowBytes, so they never match); a column is full when
// its bit is set in every used byte.
inline void straightsOf(const RowMask* a, const RowMask* b, bool* hasA, bool* hasB) {
    const __m128i v = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)),
                                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)));
    const __m128i pattern = _mm_set1_epi64x(static_cast<long long>(fullRowBytes));
    const int fullRows = _mm_movemask_epi8(_mm_cmpeq_epi8(v, pattern));
    __m128i c = _mm_or_si128(v, _mm_set1_epi64x(static_cast<long long>(unusedRowBytes)));
    c = _mm_and_si128(c, _mm_srli_epi64(c, 32));
    c = _mm_and_si128(c, _mm_srli_epi64(c, 16));
    c = _mm_and_si128(c, _mm_srli_epi64(c, 8));
    const std::uint32_t colsA = static_cast<std::uint32_t>(_mm_cvtsi128_si32(c)) & fullMask;
    const std::uint32_t colsB = static_cast<std::uint32_t>(_mm_extract_epi16(c, 4)) & fullMask;
    *hasA = (fullRows & 0xff) || colsA;
    *hasB = (fullRows >> 8) || colsB;
}
#else
// Whether each side has a straight, row by row: (row + 1) >> N is 1 exactly for a full row;
// the sum is taken in 32 bits, wider than the row itself, so a full 16-bit row does not wrap.
inline void straightsOf(const RowMask* a, const RowMask* b, bool* hasA, bool* hasB) {
    const int n = boardSize;
    std::uint32_t fullRowA = 0, fullRowB = 0, colsA = fullMask, colsB = fullMask;
    for (int r = 0; r < n; r++) {
        fullRowA |= (static_cast<std::uint32_t>(a[r]) + 1) >> n;
        fullRowB |= (static_cast<std::uint32_t>(b[r]) + 1) >> n;
        colsA &= a[r];
        colsB &= b[r];
    }
    *hasA = (fullRowA | colsA) != 0;
    *hasB = (fullRowB | colsB) != 0;
}
#endif

}  // namespace

std::int32_t terminalScore(const RowMask* a, const RowMask* b) {
    bool hasA, hasB;
    straightsOf(a, b, &hasA, &hasB);
    if (!hasA) return hasB ? lossScore : 0;
    if (!hasB) return winScore;
    return countStraights(a, b);
}

}  // namespace bitrow::BITROW_NS
