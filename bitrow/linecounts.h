// Counts kept per searched position beside the row masks, so that a node values its
// position from its parent's counts and the rows its move changed instead of scanning the
// whole board: per side the pieces of every row and every column, the score E of the
// evaluators and the number of straights. A search node holds its position's counts and
// hands them down.
#pragma once

#include <cstdint>
#include <cstring>

#include "bitrow/board.h"
#include "bitrow/history.h"
#include "bitrow/push.h"
#include "bitrow/types.h"

#if BITROW_WORDS
#include <emmintrin.h>
#endif

namespace bitrow::BITROW_NS {

// One side's counts. The rows and the columns take whole groups of 8 (zero from N on), so
// that the search's vector lanes read them as they stand.
struct SideCounts {
    std::uint8_t rows[8 * maskBytes];  // rows[r]: the side's pieces in row r
    std::uint8_t cols[8 * maskBytes];  // cols[k]: the side's pieces in the column of bit k
    std::int32_t score;                // E: sum over rows of b^2 plus sum over columns of k^2 + k
    std::int32_t straights;            // full rows plus full columns
};

// Both sides': side[0] is X, side[1] is O.
struct LineCounts {
    SideCounts side[2];
};

// The counts of the current board, from the rows alone.
LineCounts countLines();

namespace lines {

// E = sum of b^2 over rows + sum of k^2 over columns + the number of pieces.

// The pushed line of side `s` goes from the cells `before` to `after` (bit i: the cell on
// crossing line i), `cross` being the side's counts of the crossing lines and `own0` its
// count of the pushed line. Each crossing line that gains a piece adds 2k + 1 to its square
// and each that loses one 1 - 2k (k its count before); the pushed line's square and the
// piece count follow its count. With `keep` the counts are written to `crossOut` and
// `ownOut`; without, only the score and the straights change.
template <bool keep>
inline void changeLine(const std::uint8_t* cross, std::uint8_t* crossOut, std::int32_t own0,
                       std::uint8_t* ownOut, std::uint32_t before, std::uint32_t after,
                       SideCounts& s) {
    const std::int32_t n = sizes.boardSize;
    std::int32_t own = own0, score = s.score, straights = s.straights;
    for (std::uint32_t m = after & ~before; m; m &= m - 1) {
        const int i = __builtin_ctz(m);
        const std::int32_t k = cross[i];
        score += 2 * k + 1;
        straights += k + 1 == n;
        if constexpr (keep) crossOut[i] = static_cast<std::uint8_t>(k + 1);
        own++;
    }
    for (std::uint32_t m = before & ~after; m; m &= m - 1) {
        const int i = __builtin_ctz(m);
        const std::int32_t k = cross[i];
        score += 1 - 2 * k;
        straights -= k == n;
        if constexpr (keep) crossOut[i] = static_cast<std::uint8_t>(k - 1);
        own--;
    }
    score += own * own - own0 * own0 + own - own0;
    straights += (own == n) - (own0 == n);
    if constexpr (keep) *ownOut = static_cast<std::uint8_t>(own);
    s.score = score;
    s.straights = straights;
}

// Cell (r, column of bit a) of side `s` changes by d (-1, 0 or 1), within a column push:
// the row's square and straight. The column is settled once for the whole push.
template <bool keep>
inline void changeCell(const SideCounts& parent, SideCounts& s, int r, std::int32_t d) {
    const std::int32_t b = parent.rows[r];
    s.score += d * (2 * b + d);  // (b+d)^2 - b^2
    s.straights += (b + d == sizes.boardSize) - (b == sizes.boardSize);
    if constexpr (keep) s.rows[r] = static_cast<std::uint8_t>(b + d);
}

// The column of bit a of side `s` changes by d pieces in all: its square and the pieces.
template <bool keep>
inline void changeColumn(const SideCounts& parent, SideCounts& s, int a, std::int32_t d) {
    const std::int32_t k = parent.cols[a], k1 = k + d;
    s.score += k1 * k1 + k1 - k * k - k;
    s.straights += (k1 == sizes.boardSize) - (k == sizes.boardSize);
    if constexpr (keep) s.cols[a] = static_cast<std::uint8_t>(k1);
}

}  // namespace lines

#if BITROW_WORDS
namespace lines {

constexpr std::uint64_t byteOnes = 0x0101010101010101ull;

inline std::uint64_t word(const std::uint8_t* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// The scores and straights of both sides from their counts: b holds the row counts (X's in
// the low half, O's in the high half, row r in byte r), k the column counts.
[[gnu::always_inline]] inline void scoreCounts(__m128i b, __m128i k, LineCounts& out) {
    // Straights: counts equal to N (rows and columns from N on count 0), 0 - (-1) per full
    // line, summed per side by one sum of absolute differences.
    const __m128i full = _mm_set1_epi8(static_cast<char>(sizes.boardSize));
    const __m128i zero = _mm_setzero_si128();
    const __m128i lines = _mm_sad_epu8(
        _mm_sub_epi8(zero, _mm_add_epi8(_mm_cmpeq_epi8(b, full), _mm_cmpeq_epi8(k, full))), zero);
    out.side[0].straights = _mm_cvtsi128_si32(lines);
    out.side[1].straights = _mm_cvtsi128_si32(_mm_srli_si128(lines, 8));
    // E: b^2 per row, k^2 + k per column, summed per side.
    const __m128i one = _mm_set1_epi16(1);
    const __m128i bx = _mm_unpacklo_epi8(b, zero), bo = _mm_unpackhi_epi8(b, zero);
    const __m128i kx = _mm_unpacklo_epi8(k, zero), ko = _mm_unpackhi_epi8(k, zero);
    const __m128i ex =
        _mm_add_epi32(_mm_madd_epi16(bx, bx), _mm_madd_epi16(kx, _mm_add_epi16(kx, one)));
    const __m128i eo =
        _mm_add_epi32(_mm_madd_epi16(bo, bo), _mm_madd_epi16(ko, _mm_add_epi16(ko, one)));
    __m128i e = _mm_add_epi32(_mm_unpacklo_epi64(ex, eo), _mm_unpackhi_epi64(ex, eo));
    e = _mm_add_epi32(e, _mm_shuffle_epi32(e, 0xb1));  // lanes 0 and 2: X's and O's E
    out.side[0].score = _mm_cvtsi128_si32(e);
    out.side[1].score = _mm_cvtsi128_si32(_mm_srli_si128(e, 8));
}

}  // namespace lines

// countMoveFrom of the 8-bit build (`base`: keyBase()): a side's row counts and its column counts
// are each one word of bytes. A row push sets the row's byte and moves the column counts by the
// spread bits of the row after less those before; a column push does the same with the column's
// cells as bytes (byte i: row i) and the row counts. The scores and straights then come from the
// counts in one vector pass; the key of a column push from its column masks.
template <bool keep>
[[gnu::always_inline]] inline std::uint32_t countMoveFrom(int index, const LineCounts& parent,
                                                          LineCounts& out, const Board& was,
                                                          std::uint32_t base) {
    using lines::byteOnes;
    using lines::word;
    const int n = sizes.boardSize;
    std::uint64_t rx = word(parent.side[0].rows), ro = word(parent.side[1].rows);
    std::uint64_t cx = word(parent.side[0].cols), co = word(parent.side[1].cols);
    std::uint32_t key;
    if (index < 2 * n) {
        const int i = index < n ? index : index - n;
        const std::uint32_t x0 = was.x[i], x1 = board.x[i], o0 = was.o[i], o1 = board.o[i];
        key = base + rowKeyChange(i, x0, o0, x1, o1);
        const std::uint64_t clear = ~(0xffull << (8 * i));
        rx = (rx & clear) | static_cast<std::uint64_t>(bitCount.of[x1]) << (8 * i);
        ro = (ro & clear) | static_cast<std::uint64_t>(bitCount.of[o1]) << (8 * i);
        cx += spreadBits.of[x1] - spreadBits.of[x0];
        co += spreadBits.of[o1] - spreadBits.of[o0];
    } else {
        const int a = index < 3 * n ? index - 2 * n : index - 3 * n;
        const std::uint64_t x0 = (word(was.x) >> a) & byteOnes,
                            x1 = (word(board.x) >> a) & byteOnes;
        const std::uint64_t o0 = (word(was.o) >> a) & byteOnes,
                            o1 = (word(board.o) >> a) & byteOnes;
        rx += x1 - x0;
        ro += o1 - o0;
        const std::uint64_t clear = ~(0xffull << (8 * a));
        cx = (cx & clear) | ((x1 * byteOnes) >> 56) << (8 * a);
        co = (co & clear) | ((o1 * byteOnes) >> 56) << (8 * a);
        // No overlapping key bits below N = 16: the board around the column is not needed.
        key = base + columnKeyChange(a, pushes::columnOf(was.x, a), pushes::columnOf(was.o, a),
                                     pushes::columnOf(board.x, a), pushes::columnOf(board.o, a),
                                     nullptr, nullptr);
    }
    lines::scoreCounts(_mm_set_epi64x(static_cast<long long>(ro), static_cast<long long>(rx)),
                       _mm_set_epi64x(static_cast<long long>(co), static_cast<long long>(cx)), out);
    if constexpr (keep) {
        std::memcpy(out.side[0].rows, &rx, 8);
        std::memcpy(out.side[1].rows, &ro, 8);
        std::memcpy(out.side[0].cols, &cx, 8);
        std::memcpy(out.side[1].cols, &co, 8);
    }
    return key;
}

#else
// The key and the counts of the current board, which differs from `was`, the top record's
// board, by move `index` (performed for the side to move there), from `parent`, the counts
// of `was`, and `base`, keyBase(). A row push changes its own row; a column push changes one cell
// in each row from its entry edge up to the first empty cell of the column before the push (all
// rows if there was none). With `keep` all of `out` is set; without, only the scores and the
// straights.
template <bool keep>
[[gnu::always_inline]] inline std::uint32_t countMoveFrom(int index, const LineCounts& parent,
                                                          LineCounts& out, const Board& was,
                                                          std::uint32_t base) {
    if constexpr (keep) {
        out = parent;
    } else {
        for (int s = 0; s < 2; s++) {
            out.side[s].score = parent.side[s].score;
            out.side[s].straights = parent.side[s].straights;
        }
    }
    std::uint32_t key = base;
    const int n = sizes.boardSize;
    if (index < 2 * n) {
        const int i = index < n ? index : index - n;
        const std::uint32_t x0 = was.x[i], x1 = board.x[i], o0 = was.o[i], o1 = board.o[i];
        key += rowKeyChange(i, x0, o0, x1, o1);
        const SideCounts &px = parent.side[0], &po = parent.side[1];
        SideCounts &sx = out.side[0], &so = out.side[1];
        lines::changeLine<keep>(px.cols, sx.cols, px.rows[i], &sx.rows[i], x0, x1, sx);
        lines::changeLine<keep>(po.cols, so.cols, po.rows[i], &so.rows[i], o0, o1, so);
        return key;
    }
    const bool fromTop = index < 3 * n;
    const int a = fromTop ? index - 2 * n : index - 3 * n;
    const int step = fromTop ? 1 : -1;
    std::int32_t dx = 0, dO = 0;
    for (int j = 0, i = fromTop ? 0 : n - 1; j < n; j++, i += step) {
        const std::uint32_t x0 = was.x[i], x1 = board.x[i], o0 = was.o[i], o1 = board.o[i];
        key += rowKeyChange(i, x0, o0, x1, o1);
        const std::int32_t ddx =
            static_cast<std::int32_t>((x1 >> a) & 1) - static_cast<std::int32_t>((x0 >> a) & 1);
        const std::int32_t ddo =
            static_cast<std::int32_t>((o1 >> a) & 1) - static_cast<std::int32_t>((o0 >> a) & 1);
        lines::changeCell<keep>(parent.side[0], out.side[0], i, ddx);
        lines::changeCell<keep>(parent.side[1], out.side[1], i, ddo);
        dx += ddx;
        dO += ddo;
        if (!((x0 | o0) >> a & 1)) break;
    }
    lines::changeColumn<keep>(parent.side[0], out.side[0], a, dx);
    lines::changeColumn<keep>(parent.side[1], out.side[1], a, dO);
    return key;
}

#endif

// The key of the current board before the rows' changes: the top record's key with the seed
// (the side to move), which flips with every record, changed by +1 or -1 times its weight.
inline std::uint32_t keyBase() {
    return histStack[history.histCount - 1].key +
           history.keySeedWeight * ((history.histCount & 1) ? 1u : ~0u);
}

// countMoveFrom against the top record: the key and the counts of the current board, from
// the counts of the top record's board.
template <bool keep>
[[gnu::always_inline]] inline std::uint32_t countMove(int index, const LineCounts& parent,
                                                      LineCounts& out) {
    return countMoveFrom<keep>(index, parent, out, histStack[history.histCount - 1].board,
                               keyBase());
}

// terminalScore from the straights counts: winScore, lossScore or 0 for the side `a`
// that has just moved against `b`.
inline std::int32_t terminalFromCounts(const SideCounts& a, const SideCounts& b) {
    if (a.straights == b.straights) return 0;
    return a.straights > b.straights ? winScore : lossScore;
}

}  // namespace bitrow::BITROW_NS
