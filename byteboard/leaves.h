// The last two plies of the byte-board search without records: a node one ply above the
// leaves is held as a light record (its line codes, its totals as one number, its key,
// pieces and since), computed from its parent's without copying or writing a record, and its
// replies are valued from it without being made. Private to the search and its tests.
#pragma once

#include <array>
#include <cstdint>

#include "byteboard/evaluate.h"
#include "byteboard/push.h"

namespace byteboard::BYTEBOARD_NS {

// What the static value reads of a line's scores, as one number: (xfull - ofull) * 2^32 +
// (xscore - oscore). Summed over the lines it gives (xstraights - ostraights) * 2^32 +
// (xtotal - ototal), from which both differences come back exactly (worthvalue).
inline constexpr std::array<int64_t, ncodes> lineworth = [] {
    std::array<int64_t, ncodes> w{};
    for (int code = 0; code < ncodes; code++) {
        const linescore& s = linetable[code];
        w[code] =
            static_cast<int64_t>(s.xfull - s.ofull) * (int64_t{1} << 32) + (s.xscore - s.oscore);
    }
    return w;
}();

// A position as the last two plies need it: a record's line codes, key and since, and in
// place of its scores the sum of its lines' worth. It is the record hist[at] (dir 0), or the
// position that the move (dir, pos) makes from the current record hist[hno], at = hno + 1.
struct lightrec {
    uint16_t rowcode[N];
    uint16_t colcode[N];
    int64_t worth;   // sum of lineworth over every row and column
    uint64_t key;    // as posrec::key
    int32_t pieces;  // xpieces - opieces
    int32_t since;   // as posrec::since
    int32_t at;      // its index on the stack
    char dir;        // the move that makes it from hist[hno], or 0
    int32_t pos;
};

// The light record of rec, the record hist[at].
inline lightrec lightof(const posrec& rec, int32_t at) {
    lightrec s;
    for (int k = 0; k < N; k++) {
        s.rowcode[k] = rec.rowcode[k];
        s.colcode[k] = rec.colcode[k];
    }
    s.worth = static_cast<int64_t>(rec.xstraights - rec.ostraights) * (int64_t{1} << 32) +
              (rec.xtotal - rec.ototal);
    s.key = rec.key;
    s.pieces = rec.xpieces - rec.opieces;
    s.since = rec.since;
    s.at = at;
    s.dir = 0;
    s.pos = 0;
    return s;
}

// staticvalue of a position whose lines sum to worth, with d more X pieces than O pieces.
[[gnu::always_inline]] inline Score worthvalue(int64_t worth, int32_t d, int32_t player) {
    const int32_t totals = static_cast<int32_t>(worth);  // the low part: xtotal - ototal
    const int32_t straights = static_cast<int32_t>((worth - totals) >> 32);
    return staticvalue(straights, totals, d, player);
}

// The push from side at pos by the mover whose push table row is table (pushtable[mover -
// 1][back]) into the light record s: its entry, and in t the child's worth, key and pieces;
// with codes also the child's line codes (t holding s's beforehand).
template <char side, bool codes>
[[gnu::always_inline]] inline const linepush& pushlight(const lightrec& s, int32_t pos,
                                                        const linepush* table, lightrec& t) {
    constexpr bool vertical = side == 'T' || side == 'B';
    const uint16_t* cross = vertical ? s.rowcode : s.colcode;
    const int32_t owncode = vertical ? s.colcode[pos] : s.rowcode[pos];
    const linepush& e = table[owncode];
    const int32_t digit = pow3[pos];
    int64_t worth = s.worth + lineworth[e.code] - lineworth[owncode];
    for (unsigned m = e.changes; m; m &= m - 1) {
        const int x = __builtin_ctz(m);
        const int32_t old = cross[x], now = old + e.delta[x] * digit;
        worth += lineworth[now] - lineworth[old];
        if constexpr (codes) (vertical ? t.rowcode : t.colcode)[x] = static_cast<uint16_t>(now);
    }
    if constexpr (codes) (vertical ? t.colcode : t.rowcode)[pos] = e.code;
    t.worth = worth;
    t.key = s.key + keychange<vertical>(e, pos, owncode);
    t.pieces = s.pieces + e.piecediff;
    return e;
}

// The light record of the position that mover's push from side at pos makes from hist[hno],
// given as s.
template <char side>
[[gnu::always_inline]] inline lightrec lightchild(const lightrec& s, int32_t pos, int32_t mover) {
    constexpr bool back = side == 'B' || side == 'R';
    lightrec t = s;
    const linepush& e = pushlight<side, true>(s, pos, pushtable[mover - 1][back].data(), t);
    t.at = s.at + 1;
    t.since = e.out == 0 ? t.at : s.since;
    t.dir = side;
    t.pos = pos;
    return t;
}

// The value for player to move of the position that the move (dir, pos) by 3 - player makes
// from the light record s, when an earlier record holds its key: the position is played with
// domove (s first, when it is not the current record) and valued from its cells.
Score madevalue(const lightrec& s, char dir, int32_t pos, int32_t player);

// The value for player to move of the light record s, which has no record: score without
// counting the node. Only when an earlier record holds its key is it made (madevalue).
inline Score lightvalue(const lightrec& s, int32_t player) {
    if (keyseen(s.key, s.since, s.at)) return madevalue(s, 0, 0, player);
    return worthvalue(s.worth, s.pieces, player);
}

// The replies by player from side at positions 0..N-1 of the light record s, each valued
// at once as ab(0, ...) values it; raises best, true at a cut-off. Adds the replies tried
// to tried.
template <char side>
[[gnu::always_inline]] inline bool lightreplies(const lightrec& s, int32_t player, Score beta,
                                                Score& best, int64_t& tried) {
    constexpr bool back = side == 'B' || side == 'R';
    const linepush* table = pushtable[player - 1][back].data();
    const int32_t child = s.at + 1;
    for (int32_t pos = 0; pos < N; pos++) {
        lightrec t;
        const linepush& e = pushlight<side, false>(s, pos, table, t);
        tried++;
        // A reply that adds a piece repeats no earlier position.
        const Score g = e.out != 0 && keyseen(t.key, s.since, child)
                            ? -madevalue(s, side, pos, 3 - player)
                            : -worthvalue(t.worth, t.pieces, 3 - player);
        if (g > best) best = g;
        if (best >= beta) return true;
    }
    return false;
}

// ab(1, player, alpha, beta) after the node's own value: its replies in the order of the
// move ring, valued at once.
inline Score lightleaves(const lightrec& s, int32_t player, Score alpha, Score beta) {
    Score best = alpha;
    int64_t tried = 0;
    (void)(lightreplies<dirs[0]>(s, player, beta, best, tried) ||
           lightreplies<dirs[1]>(s, player, beta, best, tried) ||
           lightreplies<dirs[2]>(s, player, beta, best, tried) ||
           lightreplies<dirs[3]>(s, player, beta, best, tried));
    evaluation.nscore += tried;
    return best;
}

}  // namespace byteboard::BYTEBOARD_NS
