#include "byteboard/board.h"

#include "byteboard/push.h"

#include <cstdio>
#include <cstdlib>

namespace byteboard::BYTEBOARD_NS {

namespace {

// Rescores line, a line of N cells starting at first, stride cells apart, counting cell by
// cell, and corrects the record's totals and straight counts by the difference (they follow
// one another as a linescore's fields do); returns the line's code.
int32_t rescore(posrec& rec, linescore& line, const uint8_t* first, int stride) {
    const linescore now = plainlinescore(first, stride);
    store(&rec.xtotal, load(&rec.xtotal) + load(&now) - load(&line));
    line = now;
    int32_t code = 0;
    for (int i = N - 1; i >= 0; i--) {
        const uint8_t c = first[i * stride];
        code = 3 * code + (c == 1 ? 1 : c == 2 ? 2 : 0);
    }
    return code;
}

}  // namespace

void computerow(posrec& rec, int r) {
    int32_t code = rescore(rec, rec.row[r], &rec.cell[r * N], 1);
    rec.key += static_cast<uint64_t>(code - rec.rowcode[r]) * rowweight[r];
    rec.rowcode[r] = static_cast<uint16_t>(code);
}

void computecol(posrec& rec, int c) {
    rec.colcode[c] = static_cast<uint16_t>(rescore(rec, rec.col[c], &rec.cell[c], N));
}

void domove(char side, int32_t pos, int32_t player) {
    switch (side) {
        case 'T':
            push<'T'>(pos, player);
            break;
        case 'B':
            push<'B'>(pos, player);
            break;
        case 'L':
            push<'L'>(pos, player);
            break;
        case 'R':
            push<'R'>(pos, player);
            break;
        default:
            std::fprintf(stderr, "huh '%c'\n", side);
            std::exit(1);
    }
}

}  // namespace byteboard::BYTEBOARD_NS
