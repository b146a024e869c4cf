// The position of the byte-board engine: a record of one byte per cell plus the run scores
// of every row and column, kept up to date move by move (the stack of records is history.h,
// the push itself push.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "byteboard/types.h"

namespace byteboard::BYTEBOARD_NS {

// Scores of one row or column. A run score adds k * k for the k-th piece of a run of one
// player's pieces; only a piece of the other player ends a run, an empty cell does not.
struct linescore {
    int32_t xscore;
    int32_t oscore;
    int32_t xfull;  // 1 when the line is entirely X (xscore == sumsize)
    int32_t ofull;  // 1 when the line is entirely O
};

// One position. Cell codes: 0 empty, 1 X, 2 O; row-major, row 0 at the top.
// The totals and counts always agree with the line scores and cells.
struct posrec {
    uint8_t cell[ncells];
    linescore row[N];  // top to bottom
    linescore col[N];  // left to right
    int32_t xtotal;    // sum of xscore over all rows and columns
    int32_t ototal;
    int32_t xstraights;  // lines whose xfull is 1
    int32_t ostraights;
    int32_t xpieces;
    int32_t opieces;
    // Kept alongside the cells by domove, computerow and computecol, for speed:
    uint16_t rowcode[N];  // each row's cells as a base-3 number, column 0 the lowest digit
    uint16_t colcode[N];  // each column's cells, row 0 the lowest digit
    int32_t since;        // lowest k such that hist[k .. this record] all hold as many pieces
    uint64_t key;         // sum of rowcode[r] * rowweight[r]: equal cells give equal keys
};

// Plays a move for player (1 X, 2 O): pushes a piece in from side ('T', 'B', 'L', 'R') at
// the 0-based column (T, B) or row (L, R) pos, as a new record on top of the stack. The
// move is taken back by decrementing hno. Any other side letter ends the process with
// "huh '%c'" and exit status 1. pos must be in 0..N-1.
void domove(char side, int32_t pos, int32_t player);

// Rescore row r (column c) of rec from its cells and correct its totals and straight
// counts; also sets the line's code (and for a row the record's key) from the cells.
void computerow(posrec& rec, int r);
void computecol(posrec& rec, int c);

// The same rescoring without the code table: the run scores of the N cells starting at
// first, stride cells apart, counted cell by cell. What the table is built from.
constexpr linescore plainlinescore(const uint8_t* first, int stride) {
    int32_t xs = 0, os = 0, xrun = 0, orun = 0;
    for (int i = 0; i < N; i++) {
        const uint8_t c = first[i * stride];
        if (c == 1) {
            xrun++;
            orun = 0;
            xs += xrun * xrun;
        } else if (c == 2) {
            orun++;
            xrun = 0;
            os += orun * orun;
        }
    }
    return {xs, os, xs == sumsize, os == sumsize};
}

}  // namespace byteboard::BYTEBOARD_NS
