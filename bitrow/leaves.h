// The replies in the last two plies of a search, tried without writing the board, for every
// row width. A node keeps its board's column masks (bit j: row j) beside the rows, so that a
// row push and a column push alike change one line's two masks; each reply's counts and key
// follow in registers from its node's and that line's change, and a leaf's value comes from
// the counts in one vector pass. Private to the search and its tests.
#pragma once

#include "bitrow/history.h"

#if BITROW_VECTORS
#include <emmintrin.h>

#include <cstdint>

#include "bitrow/linecounts.h"
#include "bitrow/push.h"
#include "bitrow/rowtable8.h"
#include "bitrow/types.h"

namespace bitrow::BITROW_NS::leaves {

constexpr std::uint64_t byteOnes = 0x0101010101010101ull;

// One side's counts as vectors of bytes: vector k holds the counts of rows 8k..8k+7 in its
// low half and those of the columns of bits 8k..8k+7 in its high half (zero from N on).
constexpr int countVectors = maskBytes;
struct Counts {
    __m128i v[countVectors];
};

// What a line's mask adds to a side's counts, for one byte b of the mask (its lines
// 8k..8k+7, for vector k): b's piece count in every byte of the half of the line's own kind,
// and b's bits spread one to a byte over the other half, the lines crossing it. [0] for a
// row (its own half the low one), [1] for a column.
struct alignas(16) Lanes {
    std::uint64_t low, high;
};
inline constexpr auto lineLanes = [] {
    struct {
        Lanes of[2][256];
    } t{};
    for (int b = 0; b < 256; b++) {
        const std::uint64_t count =
            static_cast<std::uint64_t>(__builtin_popcount(static_cast<unsigned>(b))) * byteOnes;
        t.of[0][b] = {count, spreadBits.of[b]};
        t.of[1][b] = {spreadBits.of[b], count};
    }
    return t;
}();
// Keeps, of a change of line l, the byte of l's own count (byte l % 8 of vector l / 8, in
// its kind's half) and every byte of the crossing lines.
inline constexpr auto lineKeeps = [] {
    struct {
        Lanes of[2][rowLimit][countVectors];
    } t{};
    for (int l = 0; l < rowLimit; l++)
        for (int k = 0; k < countVectors; k++) {
            const std::uint64_t own = k == l / 8 ? 0xffull << (8 * (l % 8)) : 0;
            t.of[0][l][k] = {own, ~0ull};
            t.of[1][l][k] = {~0ull, own};
        }
    return t;
}();

inline __m128i lanes(const Lanes& c) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(&c));
}

// A side's counts after its mask of line `line` (a row, or with `column` a column) goes from
// `before` to `after`: the line's own count by its piece count, the crossing lines' by the
// bits it gains or loses.
template <bool column>
[[gnu::always_inline]] inline void changeLine(Counts& c, int line, std::uint32_t before,
                                              std::uint32_t after) {
    __m128i d[countVectors];
#pragma GCC unroll 4
    for (int k = 0; k < countVectors; k++)
        d[k] = _mm_sub_epi8(lanes(lineLanes.of[column][(after >> (8 * k)) & 0xff]),
                            lanes(lineLanes.of[column][(before >> (8 * k)) & 0xff]));
    if constexpr (countVectors > 1) {
        // Each vector's own half counts its byte of the mask: the line's count is their sum.
        __m128i total = d[0];
#pragma GCC unroll 4
        for (int k = 1; k < countVectors; k++) total = _mm_add_epi8(total, d[k]);
#pragma GCC unroll 4
        for (int k = 0; k < countVectors; k++) {
            const __m128d own = _mm_castsi128_pd(total), cross = _mm_castsi128_pd(d[k]);
            d[k] = _mm_castpd_si128(column ? _mm_move_sd(own, cross) : _mm_move_sd(cross, own));
        }
    }
#pragma GCC unroll 4
    for (int k = 0; k < countVectors; k++)
        c.v[k] = _mm_add_epi8(c.v[k], _mm_and_si128(d[k], lanes(lineKeeps.of[column][line][k])));
}

// The column masks of the global board (bit j: row j), kept beside it while the last two
// plies run: set by startFrom, changed with the board by place and unplace.
struct Columns {
    RowMask x[rowLimit], o[rowLimit];
};
inline Columns columns;

// What every reply of a node starts from: its counts, N in every byte and keyBase(). Its
// rows and columns are those of the global board and columns, which hold the node's.
struct Start {
    Counts cx, co;  // X's and O's
    __m128i full;
    std::uint32_t base;
};

// A side's counts of the general path as vectors.
inline Counts countsOf(const SideCounts& c) {
    Counts v;
#pragma GCC unroll 4
    for (int k = 0; k < countVectors; k++)
        v.v[k] =
            _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(c.rows + 8 * k)),
                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(c.cols + 8 * k)));
    return v;
}

// The Start of the current board, recorded as the top of the history, with counts c; sets
// the columns.
inline Start startFrom(const LineCounts& c) {
    Start s;
    s.cx = countsOf(c.side[0]);
    s.co = countsOf(c.side[1]);
    s.full = _mm_set1_epi8(static_cast<char>(sizes.boardSize));
    s.base = keyBase();
    pushes::columnsOf(board.x, columns.x);
    pushes::columnsOf(board.o, columns.o);
    return s;
}

// A reply's position: its counts and key, and the line it changed, with that line's masks
// before and after (column masks for a column).
struct Child {
    Counts cx, co;
    std::uint32_t key;
    int line;
    bool column;
    std::uint32_t x0, o0, x1, o1;
};

// The straights test for `side` (0 X, 1 O), which has just moved: winScore or lossScore on
// unequal numbers of straights (the counts equal to N), else 0.
template <int side>
[[gnu::always_inline]] inline std::int32_t straightsScore(const Start& s, const Child& c) {
    // No count exceeds N: the largest of them all is N exactly when there is a straight.
    __m128i top = _mm_max_epu8(c.cx.v[0], c.co.v[0]);
#pragma GCC unroll 4
    for (int k = 1; k < countVectors; k++)
        top = _mm_max_epu8(top, _mm_max_epu8(c.cx.v[k], c.co.v[k]));
    if (!_mm_movemask_epi8(_mm_cmpeq_epi8(top, s.full))) return 0;
    int sx = 0, so = 0;
#pragma GCC unroll 4
    for (int k = 0; k < countVectors; k++) {
        sx += __builtin_popcount(
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(c.cx.v[k], s.full))));
        so += __builtin_popcount(
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(c.co.v[k], s.full))));
    }
    if (sx == so) return 0;
    return (side == 0 ? sx > so : so > sx) ? winScore : lossScore;
}

// E(X) - E(O): the sum over rows of (bx - bo)(bx + bo) and over columns of
// (kx - ko)(kx + ko + 1), the differences and sums taken on bytes (at most 20 and 41) and
// multiplied in 16 bits.
[[gnu::always_inline]] inline std::int32_t scoreDifference(const Counts& x, const Counts& o) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i columnOnes = _mm_set_epi64x(static_cast<long long>(byteOnes), 0);
    __m128i e = zero;
#pragma GCC unroll 4
    for (int k = 0; k < countVectors; k++) {
        const __m128i d = _mm_sub_epi8(x.v[k], o.v[k]);
        const __m128i s = _mm_add_epi8(_mm_add_epi8(x.v[k], o.v[k]), columnOnes);
        const __m128i sign = _mm_cmpgt_epi8(zero, d);
        e = _mm_add_epi32(e,
                          _mm_madd_epi16(_mm_unpacklo_epi8(d, sign), _mm_unpacklo_epi8(s, zero)));
        e = _mm_add_epi32(e,
                          _mm_madd_epi16(_mm_unpackhi_epi8(d, sign), _mm_unpackhi_epi8(s, zero)));
    }
    e = _mm_add_epi32(e, _mm_shuffle_epi32(e, 0x4e));
    e = _mm_add_epi32(e, _mm_shuffle_epi32(e, 0xb1));
    return _mm_cvtsi128_si32(e);
}

// The value of a reply's position for `side`, which has just moved: lost on a repetition,
// won or lost on unequal straights, else E(side) less E(other side).
template <int side>
[[gnu::always_inline]] inline std::int32_t judge(const Start& s, const Child& c) {
    if (keyRecorded(c.key)) return lossScore;
    if (const std::int32_t t = straightsScore<side>(s, c)) return t;
    const std::int32_t diff = scoreDifference(c.cx, c.co);
    return side == 0 ? diff : -diff;
}

// The child whose line `line` (a row, or with `column` the column of that bit) goes from the
// masks (x0, o0) to (x1, o1), its key changed by keyChange.
template <bool column>
[[gnu::always_inline]] inline Child lineChild(const Start& s, int line, std::uint32_t x0,
                                              std::uint32_t o0, std::uint32_t x1, std::uint32_t o1,
                                              std::uint32_t keyChange) {
    Child c;
    c.cx = s.cx;
    c.co = s.co;
    changeLine<column>(c.cx, line, x0, x1);
    changeLine<column>(c.co, line, o0, o1);
    c.key = s.base + keyChange;
    c.line = line;
    c.column = column;
    c.x0 = x0;
    c.o0 = o0;
    c.x1 = x1;
    c.o1 = o1;
    return c;
}

// The push of a line whose masks are x0 and o0 by `side` from its left (direction 0, bit
// N-1) or right end: from the row table when `tabled` (N at most 7, the 8-bit build), else
// computed. Gives the masks after, and for a row the change of its term in the key.
template <int side, bool tabled, int direction>
[[gnu::always_inline]] inline void pushLine(std::uint32_t x0, std::uint32_t o0, std::uint32_t& x1,
                                            std::uint32_t& o1, std::uint32_t& termChange) {
    static_assert(!tabled || wordAtATime, "the row table is the 8-bit build's");
    if constexpr (tabled) {
#if BITROW_WORDS
        // An entry's index and value are the row's terms before and after.
        const int n = sizes.boardSize;
        const std::uint32_t v0 = (x0 << n) | o0, v1 = rowtable::entries[side][direction][v0];
        x1 = v1 >> n;
        o1 = v1 & sizes.fullMask;
        termChange = v1 - v0;
#endif
    } else {
        std::uint32_t m = side == 0 ? x0 : o0, o = side == 0 ? o0 : x0;
        if constexpr (direction == 0)
            pushes::shiftFromLeft(m, o);
        else
            pushes::shiftFromRight(m, o);
        x1 = side == 0 ? m : o;
        o1 = side == 0 ? o : m;
        termChange = rowTerm(x1, o1) - rowTerm(x0, o0);
    }
}

// A left (direction 0) or right (1) push into row i.
template <int side, bool tabled, int direction>
[[gnu::always_inline]] inline Child rowChild(const Start& s, int i) {
    const std::uint32_t x0 = board.x[i], o0 = board.o[i];
    std::uint32_t x1, o1, termChange;
    pushLine<side, tabled, direction>(x0, o0, x1, o1, termChange);
    return lineChild<false>(s, i, x0, o0, x1, o1, history.keyWeight[i] * termChange);
}

// A push into the column of bit a from the top (top) or the bottom; false when the duplicate
// refusal refuses it. The top enters at bit 0 of the column masks: a push from their right.
template <int side, bool tabled, bool top>
[[gnu::always_inline]] inline bool columnChild(const Start& s, int a, Child& c) {
    const std::uint32_t x0 = columns.x[a], o0 = columns.o[a];
    const RowMask* mine = side == 0 ? board.x : board.o;
    const RowMask* theirs = side == 0 ? board.o : board.x;
    if (pushes::columnRefuses<top>(a, side == 0 ? x0 : o0, side == 0 ? o0 : x0, mine, theirs))
        return false;
    std::uint32_t x1, o1, rowTerms;  // a column's change of row terms is not needed
    pushLine<side, tabled, top ? 1 : 0>(x0, o0, x1, o1, rowTerms);
    std::uint32_t keyChange;
    if constexpr (tabled) {
#if BITROW_WORDS
        // Up to N = 7 a column's part of the key is linear in its cells: taken at bit a.
        const int n = sizes.boardSize;
        keyChange = (rowtable::columnKeys[(x1 << n) | o1] - rowtable::columnKeys[(x0 << n) | o0])
                    << a;
#endif
    } else {
        keyChange = columnKeyChange(a, x0, o0, x1, o1, columns.x, columns.o);
    }
    c = lineChild<true>(s, a, x0, o0, x1, o1, keyChange);
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
    auto take = [&](const Child& c) __attribute__((always_inline)) {
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
        if (!searchState.timeUp && columnChild<side, tabled, true>(s, a, c) && take(c)) goto done;
    }
    for (int a = 0; a < n; a++) {
        tried++;
        if (!searchState.timeUp && columnChild<side, tabled, false>(s, a, c) && take(c)) goto done;
    }
done:
    calls += tried;
    return v;
}

// The replies valued at once (one ply above the leaves). With `tabled` (N at most 7, the
// 8-bit build) the line pushes come from rowtable::entries.
template <int side, bool tabled>
std::int32_t replies(const Start& s, std::int32_t alpha, std::int32_t beta, std::uint64_t& calls) {
    return eachReply<side, tabled>(
        s, alpha, beta, calls, [&](const Child& c, std::int32_t) __attribute__((always_inline)) {
            return judge<side>(s, c);
        });
}

// One reply by its move index as replies() makes it, or false when it is refused.
template <int side, bool tabled>
bool child(const Start& s, int index, Child& c) {
    const int n = sizes.boardSize;
    if (index < n) {
        c = rowChild<side, tabled, 0>(s, index);
        return true;
    }
    if (index < 2 * n) {
        c = rowChild<side, tabled, 1>(s, index - n);
        return true;
    }
    if (index < 3 * n) return columnChild<side, tabled, true>(s, index - 2 * n, c);
    return columnChild<side, tabled, false>(s, index - 3 * n, c);
}

// One reply by its move index, valued as replies() values it (noScore when refused).
template <int side, bool tabled>
std::int32_t reply(const Start& s, int index) {
    Child c;
    return child<side, tabled>(s, index, c) ? judge<side>(s, c) : noScore;
}

// The line of a reply goes from the masks (x0, o0) to (x1, o1) in the global board and
// columns: a row's row masks and the bits of its row in the column masks, or a column's.
inline void setLine(const Child& c, std::uint32_t x0, std::uint32_t o0, std::uint32_t x1,
                    std::uint32_t o1) {
    RowMask* whole[2] = {c.column ? columns.x : board.x, c.column ? columns.o : board.o};
    RowMask* crossing[2] = {c.column ? board.x : columns.x, c.column ? board.o : columns.o};
    whole[0][c.line] = static_cast<RowMask>(x1);
    whole[1][c.line] = static_cast<RowMask>(o1);
    pushes::setColumn(crossing[0], c.line, x0, x1);
    pushes::setColumn(crossing[1], c.line, o0, o1);
}

// Writes a reply into the global board and columns, which hold its node's, and takes it back.
inline void place(const Child& c) {
    setLine(c, c.x0, c.o0, c.x1, c.o1);
}
inline void unplace(const Child& c) {
    setLine(c, c.x1, c.o1, c.x0, c.o0);
}

// The Start of a reply's own replies, once it is placed and recorded as the top of the
// history.
inline Start startFromChild(const Start& s, const Child& c) {
    Start t;
    t.cx = c.cx;
    t.co = c.co;
    t.full = s.full;
    t.base = c.key + history.keySeedWeight * ((history.histCount & 1) ? 1u : ~0u);  // keyBase()
    return t;
}

}  // namespace bitrow::BITROW_NS::leaves
#endif
