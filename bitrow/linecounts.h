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

// Row `row` of one side changes from `before` to `after`: the row's term, its straight, and
// each column it gains or loses a piece in.
inline void changeRow(SideCounts& s, std::uint32_t before, std::uint32_t after) {
    const std::int32_t b0 = bitCount[before], b1 = bitCount[after];
    s.score += b1 * b1 - b0 * b0;
    s.straights += (after == fullMask) - (before == fullMask);
    const std::int32_t n = boardSize;
    for (std::uint32_t m = after & ~before; m; m &= m - 1) {
        std::uint8_t& k = s.cols[__builtin_ctz(m)];
        s.score += 2 * k + 2;  // (k+1)^2 + (k+1) - k^2 - k
        s.straights += k + 1 == n;
        k++;
    }
    for (std::uint32_t m = before & ~after; m; m &= m - 1) {
        std::uint8_t& k = s.cols[__builtin_ctz(m)];
        s.score -= 2 * k;  // (k-1)^2 + (k-1) - k^2 - k
        s.straights -= k == n;
        k--;
    }
}

// The counts and the key of the current board, which differs from the top record's board
// by move `index` (performed for the side to move there): from `parent`, the counts of the
// top record's board, over the rows the move changed. A row push changes its own row; a
// column push changes rows from its entry edge up to the first empty cell of the column
// before the push (all rows if there was none).
inline std::uint32_t countMove(int index, const LineCounts& parent, LineCounts& out) {
    const HistEntry& top = histStack[histCount - 1];
    const Board& was = top.board;
    out = parent;
    // The seed (the side to move) flips with every record: +1 or -1 times its weight.
    std::uint32_t key = top.key + keySeedWeight * ((histCount & 1) ? 1u : ~0u);
    const int n = boardSize;
    const auto row = [&](int i) {
        const std::uint32_t x0 = was.x[i], x1 = board.x[i], o0 = was.o[i], o1 = board.o[i];
        if (x0 == x1 && o0 == o1) return;
        key += keyWeight[i] * (((x1 << hashShift) ^ o1) - ((x0 << hashShift) ^ o0));
        changeRow(out.side[0], x0, x1);
        changeRow(out.side[1], o0, o1);
    };
    if (index < 2 * n) {
        row(index < n ? index : index - n);
    } else {
        const bool fromTop = index < 3 * n;
        const std::uint32_t p = 1u << (fromTop ? index - 2 * n : index - 3 * n);
        const int step = fromTop ? 1 : -1;
        for (int j = 0, i = fromTop ? 0 : n - 1; j < n; j++, i += step) {
            row(i);
            if (!((was.x[i] | was.o[i]) & p)) break;
        }
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
