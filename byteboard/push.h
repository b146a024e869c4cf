// The push of domove as an inline template per side letter, with the tables it reads, so
// that the search can play its moves without a call or a switch on the side letter.
// Private to the engine's sources and its tests.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "byteboard/board.h"

namespace byteboard::BYTEBOARD_NS {

// Doubles the capacity of hist for the record hno; on failure takes the move back and hands
// over to growfailed.
void growhist();

// 3^k: the weight of the k-th cell of a line in the line's code.
inline constexpr std::array<int32_t, N + 1> pow3 = [] {
    std::array<int32_t, N + 1> p{};
    p[0] = 1;
    for (int k = 1; k <= N; k++) p[k] = 3 * p[k - 1];
    return p;
}();

// Number of line codes.
inline constexpr int ncodes = pow3[N];

// 1 + 4 + ... + N * N: the run score of a full line.
inline constexpr int32_t fullscore = N * (N + 1) * (2 * N + 1) / 6;

// Scores of every line, indexed by its code (cell k of the line is digit k, base 3).
// Built from the cell-by-cell count.
inline constexpr std::array<linescore, ncodes> linetable = [] {
    std::array<linescore, ncodes> t{};
    for (int code = 0; code < ncodes; code++) {
        int32_t xs = 0, os = 0, xrun = 0, orun = 0;
        for (int k = 0, rest = code; k < N; k++, rest /= 3) {
            int c = rest % 3;
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
        t[code] = {xs, os, xs == fullscore, os == fullscore};
    }
    return t;
}();

// Key weights: rowweight[r] multiplies the code of row r; cellweight[r * N + c] is the
// change of the key when cell (r, c) goes up by one, 3^c * rowweight[r].
inline constexpr std::array<uint64_t, N> rowweight = [] {
    std::array<uint64_t, N> w{};
    uint64_t s = 0x9e3779b97f4a7c15u * (N + 1);
    for (int r = 0; r < N; r++) {
        s += 0x9e3779b97f4a7c15u;  // splitmix64
        uint64_t z = s;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
        w[r] = z ^ (z >> 31);
    }
    return w;
}();
inline constexpr std::array<uint64_t, N* N> cellweight = [] {
    std::array<uint64_t, N * N> w{};
    for (int r = 0; r < N; r++)
        for (int c = 0; c < N; c++) w[r * N + c] = static_cast<uint64_t>(pow3[c]) * rowweight[r];
    return w;
}();

// Replaces the scores of one line by now, correcting the record's totals and straight
// counts by the difference. The four totals follow one another in the record in the
// order of a linescore's fields.
inline void setline(posrec& rec, linescore& line, const linescore& now) {
    static_assert(offsetof(posrec, ototal) == offsetof(posrec, xtotal) + 4 &&
                  offsetof(posrec, xstraights) == offsetof(posrec, xtotal) + 8 &&
                  offsetof(posrec, ostraights) == offsetof(posrec, xtotal) + 12);
    rec.xtotal += now.xscore - line.xscore;
    rec.ototal += now.oscore - line.oscore;
    rec.xstraights += now.xfull - line.xfull;
    rec.ostraights += now.ofull - line.ofull;
    line = now;
}

// Cell changes of one push: cell idx of the pushed line, at index x of the crossing lines,
// goes up by delta (-2 .. 2, not 0).
inline void cellchange(posrec& rec, linescore* cross, uint16_t* crosscode, int32_t crossdigit,
                       int32_t& owncode, int idx, int x, int delta) {
    crosscode[x] = static_cast<uint16_t>(crosscode[x] + delta * crossdigit);
    owncode += delta * pow3[x];
    rec.key += static_cast<uint64_t>(static_cast<int64_t>(delta)) * cellweight[idx];
    setline(rec, cross[x], linetable[crosscode[x]]);
}

// domove for a valid side letter: plays player's push from side at pos into the new top
// record. The caller has checked side; pos must be in 0..N-1.
template <char side>
inline void push(int32_t pos, int32_t player) {
    constexpr bool vertical = side == 'T' || side == 'B';
    constexpr bool forward = side == 'T' || side == 'L';
    constexpr int step = vertical ? (forward ? N : -N) : (forward ? 1 : -1);
    const int first =
        vertical ? (forward ? pos : (N - 1) * N + pos) : (forward ? pos * N : pos * N + N - 1);

    hno++;
    if (hno >= hmax) growhist();
    posrec& rec = hist[hno];
    std::memcpy(&rec, &hist[hno - 1], sizeof rec);

    linescore* cross = vertical ? rec.row : rec.col;
    uint16_t* crosscode = vertical ? rec.rowcode : rec.colcode;
    uint16_t& ownstored = vertical ? rec.colcode[pos] : rec.rowcode[pos];
    linescore& own = vertical ? rec.col[pos] : rec.row[pos];
    const int32_t crossdigit = pow3[pos];
    int32_t owncode = ownstored;

    // Walk the line carrying the mover's piece; the first empty cell absorbs the push.
    int carried = player;
    int old = 0;
    for (int i = 0; i < N; i++) {
        const int idx = first + i * step;
        const int x = forward ? i : N - 1 - i;
        old = rec.cell[idx];
        const int delta = carried - old;
        changed[i] = delta != 0;
        rec.cell[idx] = static_cast<uint8_t>(carried);
        if (delta) cellchange(rec, cross, crosscode, crossdigit, owncode, idx, x, delta);
        if (old == 0) break;
        carried = old;
    }
    ownstored = static_cast<uint16_t>(owncode);
    setline(rec, own, linetable[owncode]);

    if (player == 1)
        rec.xpieces++;
    else
        rec.opieces++;
    if (old == 0) {
        rec.since = hno;  // one piece more than every earlier record
    } else if (old == 1) {
        rec.xpieces--;  // a full line: the piece that was in the last cell has left
    } else {
        rec.opieces--;
    }
}

}  // namespace byteboard::BYTEBOARD_NS
