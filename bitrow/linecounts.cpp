#include "bitrow/linecounts.h"

namespace bitrow::BITROW_NS {

LineCounts countLines() {
    LineCounts c{};
    const int n = sizes.boardSize;
    const RowMask* sides[2] = {board.x, board.o};
    for (int s = 0; s < 2; s++) {
        SideCounts& t = c.side[s];
        for (int r = 0; r < n; r++) {
            const std::uint32_t m = sides[s][r];
            t.rows[r] = static_cast<std::uint8_t>(bitCount.of[m]);
            t.score += bitCount.of[m] * bitCount.of[m];
            t.straights += m == sizes.fullMask;
            for (int k = 0; k < n; k++) t.cols[k] += (m >> k) & 1;
        }
        for (int k = 0; k < n; k++) {
            t.score += t.cols[k] * t.cols[k] + t.cols[k];
            t.straights += t.cols[k] == n;
        }
    }
    return c;
}

}  // namespace bitrow::BITROW_NS
