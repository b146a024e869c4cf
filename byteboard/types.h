// The vocabulary of the byte-board engine: its sizes, its move names, its value scale and
// every limit, each written once here.
//
// The engine plays one board size N, fixed when it is compiled: the sources are built once
// with BYTEBOARD_N = 6 (pusher6) and once with 7 (pusher7). The size-dependent names live in
// byteboard::n6 or byteboard::n7, so both sizes can be linked into one program; code that
// uses them is compiled with the same BYTEBOARD_N and names the namespace
// byteboard::BYTEBOARD_NS. The value scale, the depths and the budgets are the same for both
// sizes and live in byteboard itself, where a size-neutral tool reads them too.
//
// A position is a record (posrec, board.h) of one byte per cell, 0 empty, 1 X, 2 O, row-major
// with row 0 at the top, followed by the run scores of every line. For N = 6:
//
//              col 0   1   2   3   4   5
//     row 0     [ 0][ 1][ 2][ 3][ 4][ 5]
//     row 1     [ 6][ 7][ 8][ 9][10][11]
//     row 2     [12][13][14][15][16][17]      cell (r, c) is cell[r * N + c]
//     row 3     [18][19][20][21][22][23]
//     row 4     [24][25][26][27][28][29]
//     row 5     [30][31][32][33][34][35]
//
// A move is a side letter and a 0-based position: the column for T and B, the row for L and
// R (1-based in the game's notation). Every node tries all 4N moves in one fixed order, the
// move ring, side by side in the order of dirs, "TRBL"; a MoveIndex counts along it:
//
//     MoveIndex   0 .. N-1    N .. 2N-1    2N .. 3N-1    3N .. 4N-1
//     move        T1 .. TN    R1 .. RN     B1 .. BN      L1 .. LN
//
//                 T1 T2 .. TN
//                  v  v     v
//          L1 >  [           ]  < R1        T pushes down a column, B up it,
//          ..    [           ]    ..        L pushes right along a row, R left along it
//          LN >  [           ]  < RN
//                  ^  ^     ^
//                 B1 B2 .. BN
//
// Each line also carries its cells as a base-3 code, cell k of the line being digit k (a
// row's column 0, a column's row 0, is the lowest digit), so a line of N cells has 3^N codes
// and its scores can be looked up rather than counted:
//
//     row  X . O X . .   digits 1 0 2 1 0 0  ->  code 1*1 + 0*3 + 2*9 + 1*27 = 46
//
// The key of a record is the sum of its row codes, each times a fixed 64-bit weight of its
// row (arithmetic modulo 2^64): equal cells give equal keys, so a key that differs rules out
// a repetition without comparing cells.
//
//     key = rowcode[0] * rowweight[0] + rowcode[1] * rowweight[1] + ... (mod 2^64)
#pragma once

#include <cstdint>

namespace byteboard {

// A value, seen from the side to move at the node valued (at the root: from the mover).
using Score = std::int32_t;
// A decided position: more straights for the side it is valued for, or a repetition.
inline constexpr Score decided = 1000000;
// Values beyond this magnitude are decided; undecided values stay far inside it.
inline constexpr Score decidedbound = 989999;
// The window's ends: the root starts each iteration at lowest, and every value lies inside.
inline constexpr Score lowest = -2000000000;
inline constexpr Score highest = 2000000000;

// The deepening runs iterations of these depths (the root's child gets the full depth).
inline constexpr std::int32_t firstdepth = 3;
inline constexpr std::int32_t lastdepth = 999;

// The turn's time limit in seconds when the program is given none.
inline constexpr unsigned budgetseconds = 28;

// The position stack: records allocated at start-up, and the factor its capacity grows by.
inline constexpr std::int32_t histstart = 50;
inline constexpr std::int32_t histgrowth = 2;

// Bytes that an answer line ("%c%d\n", with any 32-bit position) and its room need.
inline constexpr int answerbytes = 16;

// Move generation order: top, right, bottom, left.
inline constexpr char dirs[5] = "TRBL";

}  // namespace byteboard

// The size-dependent part, for code compiled with BYTEBOARD_N (the engine, its tests, the
// fuzz targets); a tool that drives both sizes sees only the names above.
#if defined(BYTEBOARD_N)
#if BYTEBOARD_N == 6
#define BYTEBOARD_NS n6
#elif BYTEBOARD_N == 7
#define BYTEBOARD_NS n7
#else
#error "BYTEBOARD_N must be 6 or 7"
#endif

namespace byteboard::BYTEBOARD_NS {

// Cells on a side of the board.
inline constexpr int N = BYTEBOARD_N;
// Cells of a record, and moves tried at every node (the entries of the root lists).
inline constexpr int ncells = N * N;
inline constexpr int nmovesall = 4 * N;

// 1 + 4 + ... + N * N: the run score of a line filled by one player (91 for N = 6, 140 for 7).
inline constexpr std::int32_t sumsize = N * (N + 1) * (2 * N + 1) / 6;

// A move's place on the move ring: 0 .. nmovesall - 1.
using MoveIndex = int;
inline constexpr char sideof(MoveIndex m) {
    return dirs[m / N];
}
inline constexpr std::int32_t posof(MoveIndex m) {
    return m % N;
}

}  // namespace byteboard::BYTEBOARD_NS

#endif  // BYTEBOARD_N
