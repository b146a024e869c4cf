// The push of domove as an inline template per side letter, with the tables it reads, so
// that the search can play its moves without a call or a switch on the side letter.
// Private to the engine's sources and its tests.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "byteboard/history.h"

namespace byteboard::BYTEBOARD_NS {

// 3^k: the weight of the k-th cell of a line in the line's code.
inline constexpr std::array<int32_t, N + 1> pow3 = [] {
    std::array<int32_t, N + 1> p{};
    p[0] = 1;
    for (int k = 1; k <= N; k++) p[k] = 3 * p[k - 1];
    return p;
}();

// Number of line codes.
inline constexpr int ncodes = pow3[N];

// Scores of every line, indexed by its code (cell k of the line is digit k, base 3).
// Built from the cell-by-cell count.
inline constexpr std::array<linescore, ncodes> linetable = [] {
    std::array<linescore, ncodes> t{};
    for (int code = 0; code < ncodes; code++) {
        uint8_t cells[N] = {};
        for (int k = 0, rest = code; k < N; k++, rest /= 3)
            cells[k] = static_cast<uint8_t>(rest % 3);
        t[code] = plainlinescore(cells, 1);
    }
    return t;
}();

// Key weights: rowweight[r] multiplies the code of row r, so cell (r, c) weighs
// 3^c * rowweight[r].
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

// What a push does to a line, by the line's code, the mover and the end it enters from.
struct linepush {
    uint16_t code;     // the line's code afterwards
    uint8_t out;       // the piece pushed off the far end, 0 when an empty cell took it
    uint8_t changed;   // cells of the line the push changes
    uint8_t at[N];     // their positions in the line, in the order visited
    int8_t delta[N];   // the change of their code digits
    int8_t piecediff;  // change of X's pieces less O's
    // Change of the key when the line is a column c: 3^c times this (the digits are the
    // rows, whose weights are rowweight). For a row r it is rowweight[r] * (code - old code).
    uint64_t columnkey;
};

// What player's push into a line of code code does, entering at position 0 (walking up the
// line) or, when back, at position N - 1 (walking down it).
constexpr linepush pushline(int player, bool back, int code) {
    int cells[N];
    for (int k = 0, rest = code; k < N; k++, rest /= 3) cells[k] = rest % 3;
    linepush e{};
    int carried = player, old = 0;
    for (int i = 0; i < N; i++) {
        const int x = back ? N - 1 - i : i;
        old = cells[x];
        if (old != carried) {
            e.at[e.changed] = static_cast<uint8_t>(x);
            e.delta[e.changed++] = static_cast<int8_t>(carried - old);
        }
        cells[x] = carried;
        if (old == 0) break;
        carried = old;
    }
    e.out = static_cast<uint8_t>(old);
    e.piecediff = static_cast<int8_t>((player == 1 ? 1 : -1) - (old == 1) + (old == 2));
    for (int k = 0; k < e.changed; k++)
        e.columnkey += static_cast<uint64_t>(static_cast<int64_t>(e.delta[k])) * rowweight[e.at[k]];
    int after = 0;
    for (int k = N - 1; k >= 0; k--) after = 3 * after + cells[k];
    e.code = static_cast<uint16_t>(after);
    return e;
}

// pushtable[player - 1][from the far end][code]: pushline for every case.
inline constexpr auto pushtable = [] {
    std::array<std::array<std::array<linepush, ncodes>, 2>, 2> t{};
    for (int player = 1; player <= 2; player++)
        for (int back = 0; back < 2; back++)
            for (int code = 0; code < ncodes; code++)
                t[player - 1][back][code] = pushline(player, back, code);
    return t;
}();

// The change of the record's key by the push e into the line pos (a column when vertical),
// whose code was owncode.
template <bool vertical>
inline uint64_t keychange(const linepush& e, int32_t pos, int32_t owncode) {
    if constexpr (vertical)
        return static_cast<uint64_t>(pow3[pos]) * e.columnkey;
    else
        return rowweight[pos] * static_cast<uint64_t>(static_cast<int64_t>(e.code - owncode));
}

// Four 32-bit lanes: a linescore, or the record's four totals, which follow one another in
// the order of a linescore's fields.
typedef int32_t lanes __attribute__((vector_size(16)));
static_assert(offsetof(posrec, ototal) == offsetof(posrec, xtotal) + 4 &&
              offsetof(posrec, xstraights) == offsetof(posrec, xtotal) + 8 &&
              offsetof(posrec, ostraights) == offsetof(posrec, xtotal) + 12 &&
              sizeof(linescore) == sizeof(lanes));

inline lanes load(const void* p) {
    lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void store(void* p, lanes v) {
    std::memcpy(p, &v, sizeof v);
}

// to = from, sixteen bytes at a time in straight-line code (a plain copy of a record this
// size becomes a string move or a call).
template <std::size_t... k>
[[gnu::always_inline]] inline void copychunks(unsigned char* d, const unsigned char* s,
                                              std::index_sequence<k...>) {
    (store(d + 16 * k, load(s + 16 * k)), ...);
}
[[gnu::always_inline]] inline void copyrecord(posrec& to, const posrec& from) {
    constexpr std::size_t chunks = sizeof(posrec) / 16, tail = sizeof(posrec) % 16;
    auto* d = reinterpret_cast<unsigned char*>(&to);
    auto* s = reinterpret_cast<const unsigned char*>(&from);
    copychunks(d, s, std::make_index_sequence<chunks>());
    if constexpr (tail != 0) std::memcpy(d + 16 * chunks, s + 16 * chunks, tail);
}

// Rescores line to code code; returns the change of its scores.
[[gnu::always_inline]] inline lanes rescoreto(linescore& line, int code) {
    const lanes now = load(&linetable[code]);
    const lanes change = now - load(&line);
    store(&line, now);
    return change;
}

// The record on top of the stack for the next move: a copy of the current one, one higher.
[[gnu::always_inline]] inline posrec& newrecord() {
    history.hno++;
    if (history.hno >= history.hmax) growhist();
    posrec& rec = history.hist[history.hno];
    copyrecord(rec, history.hist[history.hno - 1]);
    return rec;
}

// The cells that push e into line pos (a column when vertical) changes, and the crossing
// lines through them: each changed cell changes its crossing line's code by one digit.
// Returns the change of the totals.
template <bool vertical>
[[gnu::always_inline]] inline lanes movecells(posrec& rec, const linepush& e, int32_t pos) {
    linescore* cross = vertical ? rec.row : rec.col;
    uint16_t* crosscode = vertical ? rec.rowcode : rec.colcode;
    const int32_t crossdigit = pow3[pos];
    lanes change = {0, 0, 0, 0};
    for (int k = 0; k < e.changed; k++) {
        const int x = e.at[k];
        const int delta = e.delta[k];
        const int idx = vertical ? x * N + pos : pos * N + x;
        rec.cell[idx] = static_cast<uint8_t>(rec.cell[idx] + delta);
        const int code = crosscode[x] + delta * crossdigit;
        crosscode[x] = static_cast<uint16_t>(code);
        change += rescoreto(cross[x], code);
    }
    return change;
}

// The piece counts after push e by player, and since (the record stays on as many pieces
// as the one before only when a piece left the board).
[[gnu::always_inline]] inline void countpieces(posrec& rec, const linepush& e, int32_t player) {
    (player == 1 ? rec.xpieces : rec.opieces)++;
    if (e.out == 0)
        rec.since = history.hno;  // one piece more than every earlier record
    else if (e.out == 1)
        rec.xpieces--;  // a full line: the piece that was in the last cell has left
    else
        rec.opieces--;
}

// domove for a valid side letter: plays player's push from side at pos into the new top
// record. The caller has checked side; pos must be in 0..N-1.
template <char side>
[[gnu::always_inline]] inline void push(int32_t pos, int32_t player) {
    constexpr bool vertical = side == 'T' || side == 'B';
    constexpr bool back = side == 'B' || side == 'R';
    posrec& rec = newrecord();
    uint16_t& owncode = vertical ? rec.colcode[pos] : rec.rowcode[pos];
    const linepush& e = pushtable[player - 1][back][owncode];
    rec.key += keychange<vertical>(e, pos, owncode);
    lanes totals = load(&rec.xtotal);
    totals += movecells<vertical>(rec, e, pos);
    // The pushed line is rescored whatever changed.
    owncode = e.code;
    totals += rescoreto(vertical ? rec.col[pos] : rec.row[pos], e.code);
    store(&rec.xtotal, totals);
    countpieces(rec, e, player);
}

}  // namespace byteboard::BYTEBOARD_NS
