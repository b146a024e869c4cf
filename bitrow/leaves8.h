// The 8-bit build's replies in the last two plies of a search, tried without writing the
// board: each reply's rows, counts and key are computed in registers from its node's, and a
// leaf's value comes from the counts in one vector pass. Private to the search and its tests.
#pragma once

#include "bitrow/history.h"

#if BITROW_WORDS
#include <cstddef>
#include <cstdint>

#include "bitrow/linecounts.h"
#include "bitrow/push.h"
#include "bitrow/rowtable8.h"
#include "bitrow/types.h"

namespace bitrow::BITROW_NS::leaves {

using lines::byteOnes;
using lines::word;

// A row mask's part of a side's counts, as the 16 bytes of the counts (rows, then columns):
// its piece count in every row byte and its spread bits (bit j as byte j) in the column bytes.
// A row push adds the difference of the row after and before, kept only in the row's byte.
struct alignas(16) CountLanes {
    std::uint64_t rows, cols;
};
inline constexpr auto countLanes = [] {
    struct {
        CountLanes of[256];
    } t{};
    for (int b = 0; b < 256; b++) {
        t.of[b].rows =
            static_cast<std::uint64_t>(__builtin_popcount(static_cast<unsigned>(b))) * byteOnes;
        t.of[b].cols = spreadBits.of[b];
    }
    return t;
}();
// Keeps row r's byte of the rows and every column byte.
inline constexpr auto rowLaneMasks = [] {
    struct {
        CountLanes of[8];
    } t{};
    for (int r = 0; r < 8; r++) t.of[r] = {0xffull << (8 * r), ~0ull};
    return t;
}();

inline __m128i lanes(const CountLanes& c) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(&c));
}

// What every reply of a node starts from: the node's board as words (row r in byte r), the
// same with the rows in reverse order for bottom pushes, its counts (per side the 16 bytes of
// rows and columns), keyBase(), and the side-to-move term of the replies' keys.
struct Start {
    std::uint64_t x, o;      // the board
    std::uint64_t xr, orev;  // rows N-1..0 in bytes 0..N-1
    __m128i cx, co;          // X's and O's counts
    __m128i full;            // N in every byte
    std::uint32_t base;
    std::uint32_t seed;
};

inline Start startFrom(const Board& b, const LineCounts& c) {
    Start s;
    s.x = word(b.x);
    s.o = word(b.o);
    s.xr = pushes::reverseRows(s.x);
    s.orev = pushes::reverseRows(s.o);
    static_assert(sizeof(SideCounts::rows) == 8 &&
                  offsetof(SideCounts, cols) == offsetof(SideCounts, rows) + 8);
    s.cx = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c.side[0].rows));
    s.co = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c.side[1].rows));
    s.full = _mm_set1_epi8(static_cast<char>(sizes.boardSize));
    s.base = keyBase();
    s.seed = (history.histCount & 1) * history.keySeedWeight;
    return s;
}

// The rows' part of hashBoard for a board given as words, as boardKey computes it.
inline std::uint32_t wordsKey(std::uint64_t x, std::uint64_t o) {
    return rowsKey(_mm_set_epi64x(static_cast<long long>(o), static_cast<long long>(x)));
}

// A reply's position: its board as words, its counts and its key.
struct Child {
    std::uint64_t x, o;
    __m128i cx, co;
    std::uint32_t key;
};

// The straights test for `side` (0 X, 1 O), which has just moved: winScore or lossScore on
// unequal numbers of straights (the counts equal to N; rows and columns from N on count
// 0), else 0.
template <int side>
[[gnu::always_inline]] inline std::int32_t straightsScore(const Start& s, const Child& c) {
    const int fullX = _mm_movemask_epi8(_mm_cmpeq_epi8(c.cx, s.full));
    const int fullO = _mm_movemask_epi8(_mm_cmpeq_epi8(c.co, s.full));
    if (!(fullX | fullO)) return 0;
    const int sx = __builtin_popcount(static_cast<unsigned>(fullX));
    const int so = __builtin_popcount(static_cast<unsigned>(fullO));
    if (sx == so) return 0;
    return (side == 0 ? sx > so : so > sx) ? winScore : lossScore;
}

// The value of a reply's position for `side`, which has just moved: lost on a repetition,
// won or lost on unequal straights, else E(side) less E(other side). E(X) - E(O) is the sum
// over rows of (bx - bo)(bx + bo) and over columns of (kx - ko)(kx + ko + 1).
template <int side>
[[gnu::always_inline]] inline std::int32_t judge(const Start& s, const Child& c) {
    if (keyRecorded(c.key)) return lossScore;
    if (const std::int32_t t = straightsScore<side>(s, c)) return t;
    const __m128i zero = _mm_setzero_si128();
    const __m128i rowsX = _mm_unpacklo_epi8(c.cx, zero), colsX = _mm_unpackhi_epi8(c.cx, zero);
    const __m128i rowsO = _mm_unpacklo_epi8(c.co, zero), colsO = _mm_unpackhi_epi8(c.co, zero);
    const __m128i rows = _mm_madd_epi16(_mm_sub_epi16(rowsX, rowsO), _mm_add_epi16(rowsX, rowsO));
    const __m128i cols = _mm_madd_epi16(
        _mm_sub_epi16(colsX, colsO), _mm_add_epi16(_mm_add_epi16(colsX, colsO), _mm_set1_epi16(1)));
    __m128i e = _mm_add_epi32(rows, cols);
    e = _mm_add_epi32(e, _mm_shuffle_epi32(e, 0x4e));
    e = _mm_add_epi32(e, _mm_shuffle_epi32(e, 0xb1));
    const std::int32_t diff = _mm_cvtsi128_si32(e);
    return side == 0 ? diff : -diff;
}

// Row i changes from v0 to v1 (X's mask * 2^N + O's mask). With N at most 8 a row's term in
// the key is exactly its v.
[[gnu::always_inline]] inline Child rowChange(const Start& s, int i, std::uint32_t v0,
                                              std::uint32_t v1) {
    const int n = sizes.boardSize;
    const std::uint32_t x0 = v0 >> n, o0 = v0 & sizes.fullMask, x1 = v1 >> n,
                        o1 = v1 & sizes.fullMask;
    const __m128i keep = lanes(rowLaneMasks.of[i]);
    const __m128i dx =
        _mm_and_si128(_mm_sub_epi8(lanes(countLanes.of[x1]), lanes(countLanes.of[x0])), keep);
    const __m128i dO =
        _mm_and_si128(_mm_sub_epi8(lanes(countLanes.of[o1]), lanes(countLanes.of[o0])), keep);
    const std::uint64_t clear = ~(0xffull << (8 * i));
    Child c;
    c.x = (s.x & clear) | static_cast<std::uint64_t>(x1) << (8 * i);
    c.o = (s.o & clear) | static_cast<std::uint64_t>(o1) << (8 * i);
    c.cx = _mm_add_epi8(s.cx, dx);
    c.co = _mm_add_epi8(s.co, dO);
    c.key = s.base + history.keyWeight[i] * (v1 - v0);
    return c;
}

// The board changes to (x, o) by a push into the column of bit a.
[[gnu::always_inline]] inline Child columnChange(const Start& s, int a, std::uint64_t x,
                                                 std::uint64_t o) {
    const std::uint64_t x0 = (s.x >> a) & byteOnes, x1 = (x >> a) & byteOnes;
    const std::uint64_t o0 = (s.o >> a) & byteOnes, o1 = (o >> a) & byteOnes;
    // Rows gain or lose the column's cells; the column's count changes by their sums.
    const std::uint64_t kx = (((x1 * byteOnes) >> 56) - ((x0 * byteOnes) >> 56)) << (8 * a);
    const std::uint64_t ko = (((o1 * byteOnes) >> 56) - ((o0 * byteOnes) >> 56)) << (8 * a);
    const __m128i dx = _mm_set_epi64x(static_cast<long long>(kx), static_cast<long long>(x1 - x0));
    const __m128i dO = _mm_set_epi64x(static_cast<long long>(ko), static_cast<long long>(o1 - o0));
    Child c;
    c.x = x;
    c.o = o;
    c.cx = _mm_add_epi64(s.cx, dx);
    c.co = _mm_add_epi64(s.co, dO);
    c.key = s.seed + wordsKey(x, o);
    return c;
}

// A left (direction 0) or right (1) push into row i. Reads the row from the global board,
// which holds the Start's board.
template <int side, bool tabled, int direction>
[[gnu::always_inline]] inline Child rowChild(const Start& s, int i) {
    const int n = sizes.boardSize;
    const std::uint32_t x0 = board.x[i], o0 = board.o[i];
    const std::uint32_t v0 = (x0 << n) | o0;
    if constexpr (tabled) {
        return rowChange(s, i, v0, rowtable::entries[side][direction][v0]);
    } else {
        std::uint32_t m = side == 0 ? x0 : o0, o = side == 0 ? o0 : x0;
        if constexpr (direction == 0)
            pushes::shiftFromLeft(m, o);
        else
            pushes::shiftFromRight(m, o);
        return rowChange(s, i, v0, side == 0 ? (m << n) | o : (o << n) | m);
    }
}

// A push into the column of bit a from the top (fromTop) or the bottom; false when the
// duplicate refusal refuses it.
template <int side, bool fromTop>
[[gnu::always_inline]] inline bool columnChild(const Start& s, int a, Child& c) {
    std::uint64_t m, o;
    if constexpr (fromTop) {
        m = side == 0 ? s.x : s.o;
        o = side == 0 ? s.o : s.x;
    } else {
        m = side == 0 ? s.xr : s.orev;
        o = side == 0 ? s.orev : s.xr;
    }
    if (pushes::topRefuses(a, m, o)) return false;
    pushes::walkTop(a, m, o);
    if constexpr (!fromTop) {
        m = pushes::reverseRows(m);
        o = pushes::reverseRows(o);
    }
    c = side == 0 ? columnChange(s, a, m, o) : columnChange(s, a, o, m);
    return true;
}

// The replies of a node in index order, from the fourth move of the game on (no opening
// refusals), for replies by `side`: `value(child, v)` values each reply that is not refused
// (v being the loop's value so far); the loop keeps the least negated value, starting from
// beta and stopping below alpha, and adds a call per reply tried to `calls`.
template <int side, bool tabled, class Value>
[[gnu::always_inline]] inline std::int32_t eachReply(const Start& s, std::int32_t alpha,
                                                     std::int32_t beta, std::uint64_t& calls,
                                                     Value value) {
    const int n = sizes.boardSize;
    std::int32_t v = beta;
    std::uint64_t tried = 0;
    // Takes one reply's value; true when it ends the loop.
    auto take = [&](const Child& c) {
        const std::int32_t g = -value(c, v);
        if (g < v) {
            v = g;
            if (v < alpha) return true;
        }
        return false;
    };
    Child c;
    for (int i = 0; i < n; i++) {
        tried++;
        if (!searchState.timeUp && take(rowChild<side, tabled, 0>(s, i))) goto done;
    }
    for (int i = 0; i < n; i++) {
        tried++;
        if (!searchState.timeUp && take(rowChild<side, tabled, 1>(s, i))) goto done;
    }
    for (int a = 0; a < n; a++) {
        tried++;
        if (!searchState.timeUp && columnChild<side, true>(s, a, c) && take(c)) goto done;
    }
    for (int a = 0; a < n; a++) {
        tried++;
        if (!searchState.timeUp && columnChild<side, false>(s, a, c) && take(c)) goto done;
    }
done:
    calls += tried;
    return v;
}

// The replies valued at once (one ply above the leaves). With `tabled` (N at most 7) the
// row pushes come from rowtable::entries.
template <int side, bool tabled>
std::int32_t replies(const Start& s, std::int32_t alpha, std::int32_t beta, std::uint64_t& calls) {
    return eachReply<side, tabled>(s, alpha, beta, calls,
                                   [&](const Child& c, std::int32_t) { return judge<side>(s, c); });
}

// One reply by its move index, valued as replies() values it (noScore when refused).
template <int side, bool tabled>
std::int32_t reply(const Start& s, int index) {
    const int n = sizes.boardSize;
    if (index < n) return judge<side>(s, rowChild<side, tabled, 0>(s, index));
    if (index < 2 * n) return judge<side>(s, rowChild<side, tabled, 1>(s, index - n));
    Child c;
    if (index < 3 * n)
        return columnChild<side, true>(s, index - 2 * n, c) ? judge<side>(s, c) : noScore;
    return columnChild<side, false>(s, index - 3 * n, c) ? judge<side>(s, c) : noScore;
}

// The Start of a reply's own replies, once it is recorded as the top of the history and
// the global board holds it.
inline Start startFromChild(const Start& s, const Child& c) {
    Start t;
    t.x = c.x;
    t.o = c.o;
    t.xr = pushes::reverseRows(c.x);
    t.orev = pushes::reverseRows(c.o);
    t.cx = c.cx;
    t.co = c.co;
    t.full = s.full;
    t.base = c.key + history.keySeedWeight * ((history.histCount & 1) ? 1u : ~0u);  // keyBase()
    t.seed = (history.histCount & 1) * history.keySeedWeight;
    return t;
}

}  // namespace bitrow::BITROW_NS::leaves
#endif
