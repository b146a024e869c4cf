// The 8-bit build's replies one ply above the leaves, valued without touching the board:
// each reply's rows, counts and key are computed in registers from the node's own, and the
// leaf value comes from the counts in one vector pass. Private to the search and its tests.
#pragma once

#include "bitrow/history.h"

#if BITROW_BOARD_KEY
#include <cstdint>

#include "bitrow/linecounts.h"
#include "bitrow/push.h"
#include "bitrow/score.h"

namespace bitrow::BITROW_NS::leaves {

using lines::byteOnes;
using lines::word;

// What every reply of a node starts from: the node's board as words (row r in byte r), the
// same with the rows in reverse order for bottom pushes, its counts as words, and its key
// without the side-to-move seed (keyBase() less the seed of the replies' positions).
struct Start {
    std::uint64_t x, o;      // the board
    std::uint64_t xr, orev;  // rows N-1..0 in bytes 0..N-1
    std::uint64_t rx, ro, cx, co;
    std::uint32_t base;  // keyBase()
    std::uint32_t seed;  // the seed term of the replies' keys
};

inline Start startFrom(const Board& b, const LineCounts& c) {
    Start s;
    s.x = word(b.x);
    s.o = word(b.o);
    s.xr = pushes::reverseRows(s.x);
    s.orev = pushes::reverseRows(s.o);
    s.rx = word(c.side[0].rows);
    s.ro = word(c.side[1].rows);
    s.cx = word(c.side[0].cols);
    s.co = word(c.side[1].cols);
    s.base = keyBase();
    s.seed = (histCount & 1) * keySeedWeight;
    return s;
}

// The rows' part of hashBoard for a board given as words, as boardKey computes it.
inline std::uint32_t wordsKey(std::uint64_t x, std::uint64_t o) {
    const __m128i bytes = _mm_set_epi64x(static_cast<long long>(o), static_cast<long long>(x));
    const __m128i zero = _mm_setzero_si128();
    const __m128i xs = _mm_unpacklo_epi8(bytes, zero), os = _mm_unpackhi_epi8(bytes, zero);
    const __m128i low =
        _mm_add_epi32(_mm_madd_epi16(xs, keyWeightsX[0]), _mm_madd_epi16(os, keyWeightsO[0]));
    const __m128i high =
        _mm_add_epi32(_mm_madd_epi16(xs, keyWeightsX[1]), _mm_madd_epi16(os, keyWeightsO[1]));
    __m128i sum = _mm_add_epi32(low, _mm_slli_epi32(high, 16));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4e));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xb1));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(sum));
}

// The value for `side` (0 X, 1 O), which has just moved, of a position given by its key and
// its counts: lost on a repetition, won or lost on unequal straights, else E(side) less
// E(other side). E(X) - E(O) is the sum over rows of (bx - bo)(bx + bo) and over columns of
// (kx - ko)(kx + ko + 1); straights are the counts equal to N.
template <int side>
[[gnu::always_inline]] inline std::int32_t judge(std::uint32_t key, std::uint64_t rx,
                                                 std::uint64_t ro, std::uint64_t cx,
                                                 std::uint64_t co) {
    if (keyRecorded(key)) return lossScore;
    const __m128i a = _mm_set_epi64x(static_cast<long long>(cx), static_cast<long long>(rx));
    const __m128i b = _mm_set_epi64x(static_cast<long long>(co), static_cast<long long>(ro));
    const __m128i full = _mm_set1_epi8(static_cast<char>(boardSize));
    const int fullX = _mm_movemask_epi8(_mm_cmpeq_epi8(a, full));
    const int fullO = _mm_movemask_epi8(_mm_cmpeq_epi8(b, full));
    if (fullX | fullO) {
        const int sx = __builtin_popcount(static_cast<unsigned>(fullX));
        const int so = __builtin_popcount(static_cast<unsigned>(fullO));
        if (sx != so) return (side == 0 ? sx > so : so > sx) ? winScore : lossScore;
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i rowsX = _mm_unpacklo_epi8(a, zero), colsX = _mm_unpackhi_epi8(a, zero);
    const __m128i rowsO = _mm_unpacklo_epi8(b, zero), colsO = _mm_unpackhi_epi8(b, zero);
    const __m128i rows = _mm_madd_epi16(_mm_sub_epi16(rowsX, rowsO), _mm_add_epi16(rowsX, rowsO));
    const __m128i cols = _mm_madd_epi16(
        _mm_sub_epi16(colsX, colsO), _mm_add_epi16(_mm_add_epi16(colsX, colsO), _mm_set1_epi16(1)));
    __m128i e = _mm_add_epi32(rows, cols);
    e = _mm_add_epi32(e, _mm_shuffle_epi32(e, 0x4e));
    e = _mm_add_epi32(e, _mm_shuffle_epi32(e, 0xb1));
    const std::int32_t diff = _mm_cvtsi128_si32(e);
    return side == 0 ? diff : -diff;
}

// Row i changes from (x0, o0) to (x1, o1): the key and the counts, then the value.
template <int side>
[[gnu::always_inline]] inline std::int32_t judgeRow(const Start& s, int i, std::uint32_t x0,
                                                    std::uint32_t o0, std::uint32_t x1,
                                                    std::uint32_t o1) {
    const std::uint32_t key =
        s.base + keyWeight[i] * (((x1 << hashShift) ^ o1) - ((x0 << hashShift) ^ o0));
    const std::uint64_t clear = ~(0xffull << (8 * i));
    const std::uint64_t rx = (s.rx & clear) | static_cast<std::uint64_t>(bitCount[x1]) << (8 * i);
    const std::uint64_t ro = (s.ro & clear) | static_cast<std::uint64_t>(bitCount[o1]) << (8 * i);
    const std::uint64_t cx = s.cx + spreadBits.of[x1] - spreadBits.of[x0];
    const std::uint64_t co = s.co + spreadBits.of[o1] - spreadBits.of[o0];
    return judge<side>(key, rx, ro, cx, co);
}

// The board changes to (x, o) by a push into the column of bit a: the key and the counts,
// then the value.
template <int side>
[[gnu::always_inline]] inline std::int32_t judgeColumn(const Start& s, int a, std::uint64_t x,
                                                       std::uint64_t o) {
    const std::uint64_t x0 = (s.x >> a) & byteOnes, x1 = (x >> a) & byteOnes;
    const std::uint64_t o0 = (s.o >> a) & byteOnes, o1 = (o >> a) & byteOnes;
    const std::uint64_t clear = ~(0xffull << (8 * a));
    const std::uint64_t cx = (s.cx & clear) | ((x1 * byteOnes) >> 56) << (8 * a);
    const std::uint64_t co = (s.co & clear) | ((o1 * byteOnes) >> 56) << (8 * a);
    return judge<side>(s.seed + wordsKey(x, o), s.rx + x1 - x0, s.ro + o1 - o0, cx, co);
}

// The replies, in index order, of a node whose replies' mover is `side`, from the fourth
// move of the game on (no opening refusals): the loop of search's step 7 with every reply
// valued at once. Counts a call per reply tried in `calls`.
template <int side>
std::int32_t replies(const Start& s, std::int32_t alpha, std::int32_t beta, std::uint64_t& calls) {
    const int n = boardSize;
    std::int32_t v = beta;
    std::uint64_t tried = 0;
    // Takes one reply's value; true when it ends the loop.
    auto take = [&](std::int32_t value) {
        const std::int32_t g = -value;
        if (g < v) {
            v = g;
            if (v < alpha) return true;
        }
        return false;
    };
    const std::uint64_t mw = side == 0 ? s.x : s.o, ow = side == 0 ? s.o : s.x;
    for (int i = 0; i < n; i++) {
        tried++;
        if (timeUp) continue;
        const std::uint32_t x0 = (s.x >> (8 * i)) & 0xff, o0 = (s.o >> (8 * i)) & 0xff;
        std::uint32_t m = side == 0 ? x0 : o0, o = side == 0 ? o0 : x0;
        pushes::shiftFromLeft(m, o);
        if (take(side == 0 ? judgeRow<side>(s, i, x0, o0, m, o)
                           : judgeRow<side>(s, i, x0, o0, o, m)))
            goto done;
    }
    for (int i = 0; i < n; i++) {
        tried++;
        if (timeUp) continue;
        const std::uint32_t x0 = (s.x >> (8 * i)) & 0xff, o0 = (s.o >> (8 * i)) & 0xff;
        std::uint32_t m = side == 0 ? x0 : o0, o = side == 0 ? o0 : x0;
        pushes::shiftFromRight(m, o);
        if (take(side == 0 ? judgeRow<side>(s, i, x0, o0, m, o)
                           : judgeRow<side>(s, i, x0, o0, o, m)))
            goto done;
    }
    for (int a = 0; a < n; a++) {
        tried++;
        if (timeUp) continue;
        std::uint64_t m = mw, o = ow;
        if (pushes::topRefuses(a, m, o)) continue;
        pushes::walkTop(a, m, o);
        if (take(side == 0 ? judgeColumn<side>(s, a, m, o) : judgeColumn<side>(s, a, o, m)))
            goto done;
    }
    {
        const std::uint64_t mr = side == 0 ? s.xr : s.orev, orr = side == 0 ? s.orev : s.xr;
        for (int a = 0; a < n; a++) {
            tried++;
            if (timeUp) continue;
            std::uint64_t m = mr, o = orr;
            if (pushes::topRefuses(a, m, o)) continue;
            pushes::walkTop(a, m, o);
            m = pushes::reverseRows(m);
            o = pushes::reverseRows(o);
            if (take(side == 0 ? judgeColumn<side>(s, a, m, o) : judgeColumn<side>(s, a, o, m)))
                goto done;
        }
    }
done:
    calls += tried;
    return v;
}

}  // namespace bitrow::BITROW_NS::leaves
#endif
