#include "bitrow/evaluate.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstring>

#include "bitrow/board.h"
#include "bitrow/linecounts.h"
#include "bitrow/push.h"

namespace bitrow::BITROW_NS {

Evaluator evaluate;

namespace {

// Rows 0..count-1 as the bytes of one word, row r in byte r; only for rows below 256.
inline std::uint64_t packRows(const RowMask* rows, int count) {
    std::uint64_t w = 0;
    if constexpr (wordAtATime) {
        std::memcpy(&w, rows, count);
    } else {
        for (int r = 0; r < count; r++) w |= static_cast<std::uint64_t>(rows[r]) << (8 * r);
    }
    return w;
}

// E of a side whose rows (each below 256) are the bytes of w: the sum over rows of b^2 plus
// the sum over columns of k^2 + k. The columns are the bytes of the transposed word, so one
// per-byte count of both words gives every b and k.
inline std::int32_t evaluateBytes(std::uint64_t w) {
    const std::uint64_t t = pushes::transpose8(w);
#if defined(__SSE2__)
    __m128i v = _mm_set_epi64x(static_cast<long long>(t), static_cast<long long>(w));
    const __m128i m1 = _mm_set1_epi8(0x55), m2 = _mm_set1_epi8(0x33), m4 = _mm_set1_epi8(0x0f);
    v = _mm_sub_epi8(v, _mm_and_si128(_mm_srli_epi16(v, 1), m1));
    v = _mm_add_epi8(_mm_and_si128(v, m2), _mm_and_si128(_mm_srli_epi16(v, 2), m2));
    v = _mm_and_si128(_mm_add_epi8(v, _mm_srli_epi16(v, 4)), m4);
    const __m128i zero = _mm_setzero_si128();
    const __m128i b = _mm_unpacklo_epi8(v, zero);  // row counts, 16 bits each
    const __m128i k = _mm_unpackhi_epi8(v, zero);  // column counts
    __m128i s =
        _mm_add_epi32(_mm_madd_epi16(b, b), _mm_madd_epi16(k, _mm_add_epi16(k, _mm_set1_epi16(1))));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4e));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xb1));
    return _mm_cvtsi128_si32(s);
#else
    std::int32_t sum = 0;
    for (int i = 0; i < 8; i++) {
        const std::int32_t b = bitCount.of[(w >> (8 * i)) & 0xff],
                           k = bitCount.of[(t >> (8 * i)) & 0xff];
        sum += b * b + k * k + k;
    }
    return sum;
#endif
}

}  // namespace

// The accumulator evaluators read a fixed number of rows: a masked-bit accumulator per
// column becomes, after the transpose, one byte per column.
Score evaluate4(const RowMask* rows) {
    return evaluateBytes(packRows(rows, 4));
}
Score evaluate5(const RowMask* rows) {
    return evaluateBytes(packRows(rows, 5));
}
Score evaluate8(const RowMask* rows) {
    return evaluateBytes(packRows(rows, 8));
}

namespace {

// Sum of k^2 + k over the byte counts k of w.
inline std::int32_t columnTerms(std::uint64_t w) {
    std::int32_t sum = 0;
    for (; w; w >>= 8) {
        const std::int32_t k = static_cast<std::int32_t>(w & 0xff);
        sum += k * k + k;
    }
    return sum;
}

}  // namespace

// Columns are counted a byte of columns at a time instead of bit by bit, so no per-column
// scratch is needed.
Score evaluateWide(const RowMask* rows) {
    const int n = sizes.boardSize;
    std::int32_t sum = 0;
    std::uint64_t low = 0, middle = 0, high = 0;  // counts of bits 0-7, 8-15, 16-23
    for (int r = 0; r < n; r++) {
        const std::uint32_t m = rows[r];
        sum += bitCount.of[m] * bitCount.of[m];
        low += spreadBits.of[m & 0xff];
        middle += spreadBits.of[(m >> 8) & 0xff];
        if constexpr (rowLimit > 16) high += spreadBits.of[(m >> 16) & 0xff];
    }
    return sum + columnTerms(low) + columnTerms(middle) + columnTerms(high);
}

Evaluator evaluatorFor(int n) {
    if (n <= 4) return evaluate4;
    if (n == 5) return evaluate5;
    if (n <= 8) return evaluate8;
    return evaluateWide;
}

// The terminal test.

namespace {

// Both sides have straights: count them, 10000000 each, and decide on the difference.
Score countStraights(const RowMask* a, const RowMask* b) {
    const int n = sizes.boardSize;
    std::uint32_t colsA = sizes.fullMask, colsB = sizes.fullMask;
    Score s = 0;
    for (int r = 0; r < n; r++) {
        if (a[r] == sizes.fullMask) s += straightWeight;
        if (b[r] == sizes.fullMask) s -= straightWeight;
        colsA &= a[r];
        colsB &= b[r];
    }
    for (; colsA; colsA &= colsA - 1) s += straightWeight;
    for (; colsB; colsB &= colsB - 1) s -= straightWeight;
    if (s > decidedAbove) return winScore;
    if (s > -straightWeight) return s;
    return lossScore;
}

#if BITROW_WORDS
// Straights of both sides at once, word at a time: the two sides' rows as the two halves
// of one vector, row r in byte r. A row is full when its byte equals fullMask (rows from N on
// are zero and meet all-ones in fullRowBytes, so they never match); a column is full when
// its bit is set in every used byte.
inline void straightsOf(const RowMask* a, const RowMask* b, bool* hasA, bool* hasB) {
    const __m128i v = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)),
                                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)));
    const __m128i pattern = _mm_set1_epi64x(static_cast<long long>(sizes.fullRowBytes));
    const int fullRows = _mm_movemask_epi8(_mm_cmpeq_epi8(v, pattern));
    __m128i c = _mm_or_si128(v, _mm_set1_epi64x(static_cast<long long>(sizes.unusedRowBytes)));
    c = _mm_and_si128(c, _mm_srli_epi64(c, 32));
    c = _mm_and_si128(c, _mm_srli_epi64(c, 16));
    c = _mm_and_si128(c, _mm_srli_epi64(c, 8));
    const std::uint32_t colsA = static_cast<std::uint32_t>(_mm_cvtsi128_si32(c)) & sizes.fullMask;
    const std::uint32_t colsB =
        static_cast<std::uint32_t>(_mm_extract_epi16(c, 4)) & sizes.fullMask;
    *hasA = (fullRows & 0xff) || colsA;
    *hasB = (fullRows >> 8) || colsB;
}
#else
// Whether each side has a straight, row by row: (row + 1) >> N is 1 exactly for a full row;
// the sum is taken in 32 bits, wider than the row itself, so a full 16-bit row does not wrap.
inline void straightsOf(const RowMask* a, const RowMask* b, bool* hasA, bool* hasB) {
    const int n = sizes.boardSize;
    std::uint32_t fullRowA = 0, fullRowB = 0, colsA = sizes.fullMask, colsB = sizes.fullMask;
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

Score terminalScore(const RowMask* a, const RowMask* b) {
    bool hasA, hasB;
    straightsOf(a, b, &hasA, &hasB);
    if (!hasA) return hasB ? lossScore : 0;
    if (!hasB) return winScore;
    return countStraights(a, b);
}

}  // namespace bitrow::BITROW_NS
