// Position records of the byte-board engine: one byte per cell plus the run scores of
// every row and column, kept up to date move by move, on a stack of complete records.
#pragma once

#include <cstddef>
#include <cstdint>

#include "byteboard/size.h"

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
    uint8_t cell[N * N];
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

// The position stack: hist[k] is the position after k moves; hist[hno] is the current one.
extern posrec* hist;
extern int32_t hno;
extern int32_t hmax;  // capacity of hist in records: 50, 100, 200, ...
// Score of a line filled by one player: 1 + 4 + ... + N * N.
extern int32_t sumsize;
// Scratch of domove: one flag per cell of the pushed line in the order visited, 1 when the
// push changed that cell (0 for the cells beyond the one that took the push).
extern uint8_t changed[N];

// Resizes hist (realloc by default). Tests replace it to simulate exhausted memory.
extern void* (*histrealloc)(void* old, std::size_t bytes);
// Called when hist cannot grow, with hno and hist as before the move; must not return.
// By default it writes "out of memory" to standard error and exits with status 1.
extern void (*growfailed)();

// Makes record 0 the empty board and the current record, allocating hist with room for 50
// records on first use, and sets sumsize. Returns false when the allocation fails.
bool inithist();

// Plays a move for player (1 X, 2 O): pushes a piece in from side ('T', 'B', 'L', 'R') at
// the 0-based column (T, B) or row (L, R) pos, as a new record on top of the stack. The
// move is taken back by decrementing hno. Any other side letter ends the process with
// "huh '%c'" and exit status 1. pos must be in 0..N-1.
void domove(char side, int32_t pos, int32_t player);

// Rescore row r (column c) of rec from its cells and correct its totals and straight
// counts; also sets the line's code (and for a row the record's key) from the cells.
void computerow(posrec& rec, int r);
void computecol(posrec& rec, int c);

// 1 + 4 + ... + N * N: the run score of a full line.
inline constexpr int32_t fullscore = N * (N + 1) * (2 * N + 1) / 6;

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
    return {xs, os, xs == fullscore, os == fullscore};
}

}  // namespace byteboard::BYTEBOARD_NS
