// Counts kept per searched position beside the row masks, so that a node values its
// position from its parent's counts and the rows its move changed instead of scanning the
// whole board: per side the pieces of every column, the score E of the evaluators and the
// number of straights. A search node holds its position's counts and hands them down.
#pragma once

#include <cstdint>

#include "bitrow/board.h"
#include "bitrow/history.h"
#include "bitrow/score.h"

namespace bitrow::BITROW_NS {

// One side's counts.
struct SideCounts {
    std::uint8_t rows[rowLimit];  // rows[r]: the side's pieces in row r
    std::uint8_t cols[rowLimit];  // cols[k]: the side's pieces in the column of bit k
    std::int32_t score;           // E: sum over rows of b^2 plus sum over columns of k^2 + k
    std::int32_t straights;       // full rows plus full columns
};

// Both sides': side[0] is X, side[1] is O.
struct LineCounts {
    SideCounts side[2];
};

// The counts of the current board, from the rows alone.
LineCounts countLines();

namespace lines {

// A row of side `s` changes from `before` to `after` (a row push): the row's own term and
// straight, and each column it gains or loses a piece in. With `keep` the counts are
// updated too; without, only the score and the straights (from the parent's counts).
template <bool keep>
inline void changeRow(const SideCounts& parent, SideCounts& s, int r, std::uint32_t before,
                      std::uint32_t after) {
    const std::int32_t n = boardSize;
    std::int32_t b = parent.rows[r];
    const std::int32_t b0 = b;
    std::int32_t score = s.score, straights = s.straights;
    for (std::uint32_t m = after & ~before; m; m &= m - 1) {
        const int c = __builtin_ctz(m);
        const std::int32_t k = parent.cols[c];
        score += 2 * k + 2;  // (k+1)^2 + (k+1) - k^2 - k
        straights += k + 1 == n;
        if constexpr (keep) s.cols[c] = static_cast<std::uint8_t>(k + 1);
        b++;
    }
    for (std::uint32_t m = before & ~after; m; m &= m - 1) {
        const int c = __builtin_ctz(m);
        const std::int32_t k = parent.cols[c];
        score -= 2 * k;  // (k-1)^2 + (k-1) - k^2 - k
        straights -= k == n;
        if constexpr (keep) s.cols[c] = static_cast<std::uint8_t>(k - 1);
        b--;
    }
    score += b * b - b0 * b0;
    straights += (b == n) - (b0 == n);
    if constexpr (keep) s.rows[r] = static_cast<std::uint8_t>(b);
    s.score = score;
    s.straights = straights;
}

// Cell (r, column of bit a) of side `s` changes by d (-1, 0 or 1), within a column push:
// the row's term and straight. The column's own term is settled once for the whole push.
template <bool keep>
inline void changeCell(const SideCounts& parent, SideCounts& s, int r, std::int32_t d) {
    const std::int32_t b = parent.rows[r];
    s.score += d * (2 * b + d);  // (b+d)^2 - b^2
    s.straights += (b + d == boardSize) - (b == boardSize);
    if constexpr (keep) s.rows[r] = static_cast<std::uint8_t>(b + d);
}

// The column of bit a of side `s` changes by d pieces in all.
template <bool keep>
inline void changeColumn(const SideCounts& parent, SideCounts& s, int a, std::int32_t d) {
    const std::int32_t k = parent.cols[a], k1 = k + d;
    s.score += k1 * k1 + k1 - k * k - k;
    s.straights += (k1 == boardSize) - (k == boardSize);
    if constexpr (keep) s.cols[a] = static_cast<std::uint8_t>(k1);
}

}  // namespace lines

// The key and the counts of the current board, which differs from the top record's board
// by move `index` (performed for the side to move there), from `parent`, the counts of the
// top record's board. A row push changes its own row; a column push changes rows from its
// entry edge up to the first empty cell of the column before the push (all rows if there
// was none), one cell in each. With `keep` all of `out` is set; without, only the scores
// and the straights.
template <bool keep>
inline std::uint32_t countMove(int index, const LineCounts& parent, LineCounts& out) {
    const HistEntry& top = histStack[histCount - 1];
    const Board& was = top.board;
    if constexpr (keep) {
        out = parent;
    } else {
        for (int s = 0; s < 2; s++) {
            out.side[s].score = parent.side[s].score;
            out.side[s].straights = parent.side[s].straights;
        }
    }
    // The seed (the side to move) flips with every record: +1 or -1 times its weight.
    std::uint32_t key = top.key + keySeedWeight * ((histCount & 1) ? 1u : ~0u);
    const int n = boardSize;
    if (index < 2 * n) {
        const int i = index < n ? index : index - n;
        const std::uint32_t x0 = was.x[i], x1 = board.x[i], o0 = was.o[i], o1 = board.o[i];
        key += keyWeight[i] * (((x1 << hashShift) ^ o1) - ((x0 << hashShift) ^ o0));
        lines::changeRow<keep>(parent.side[0], out.side[0], i, x0, x1);
        lines::changeRow<keep>(parent.side[1], out.side[1], i, o0, o1);
    } else {
        const bool fromTop = index < 3 * n;
        const int a = fromTop ? index - 2 * n : index - 3 * n;
        const int step = fromTop ? 1 : -1;
        std::int32_t dx = 0, dO = 0;
        for (int j = 0, i = fromTop ? 0 : n - 1; j < n; j++, i += step) {
            const std::uint32_t x0 = was.x[i], x1 = board.x[i], o0 = was.o[i], o1 = board.o[i];
            key += keyWeight[i] * (((x1 << hashShift) ^ o1) - ((x0 << hashShift) ^ o0));
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
    }
    return key;
}

// terminalScore from the straights counts: winScore, lossScore or 0 for the side `a`
// that has just moved against `b`.
inline std::int32_t terminalFromCounts(const SideCounts& a, const SideCounts& b) {
    if (a.straights == b.straights) return 0;
    return a.straights > b.straights ? winScore : lossScore;
}

}  // namespace bitrow::BITROW_NS
