// The last two plies of the byte-board search without records. A node one ply above the
// leaves is held as a light record: its line codes, its totals as one number, its key, piece
// term and since, computed from its parent's without copying or writing a record; its
// replies are valued from it without being made. Private to the search and its tests.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <utility>

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
// place of its scores the sum of its lines' worth. It stands for the record at (the current
// one), or for the position one move further, which has no record.
struct lightrec {
    uint16_t rowcode[N];
    uint16_t colcode[N];
    int64_t worth;  // sum of lineworth over every row and column
    uint64_t key;   // as posrec::key
    // The piece term of the static value, in signedsquare: square[k] is the term with k more
    // X pieces (than this position's X pieces less O pieces).
    const int32_t* square;
    int32_t since;  // as posrec::since
    int32_t at;     // its index on the stack
    rivals self;    // the records it can repeat
    rivals rival;   // the records that a reply adding no piece can repeat
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
    s.square = &signedsquare[rec.xpieces - rec.opieces + ncells];
    s.since = rec.since;
    s.at = at;
    s.self = rivalsof(s.since, at);
    s.rival = rivalsof(s.since, at + 1);
    return s;
}

// staticvalue of a position whose lines sum to worth, with the piece term pieceterm.
[[gnu::always_inline]] inline Score worthvalue(int64_t worth, int32_t pieceterm, int32_t player) {
    const int32_t totals = static_cast<int32_t>(worth);  // the low part: xtotal - ototal
    // The high part, xstraights - ostraights, is 0 exactly when worth equals its low part.
    const int32_t straights = worth == totals ? 0 : worth > totals ? 1 : -1;
    return staticvalue(straights, totals, pieceterm, player);
}

// The push from side at pos by the mover whose push table row is table (pushtable[mover -
// 1][back]) into the light record s: its entry, and in t the child's worth, key and square;
// with codes also the child's line codes (t holding s's beforehand).
template <char side, bool codes>
[[gnu::always_inline]] inline const linepush& pushlight(const lightrec& s, int32_t pos,
                                                        const linepush* table, lightrec& t) {
    constexpr bool vertical = side == 'T' || side == 'B';
    const uint16_t* cross = vertical ? s.rowcode : s.colcode;
    const int32_t owncode = vertical ? s.colcode[pos] : s.rowcode[pos];
    const linepush& e = table[owncode];
    const int64_t digit = pow3[pos];
    int64_t worth = s.worth + lineworth[e.code] - lineworth[owncode];
    for (int k = 0; k < e.changed; k++) {
        const int64_t x = e.at[k];
        const int64_t old = cross[x], now = old + e.delta[k] * digit;
        worth += lineworth[now] - lineworth[old];
        if constexpr (codes) (vertical ? t.rowcode : t.colcode)[x] = static_cast<uint16_t>(now);
    }
    if constexpr (codes) (vertical ? t.colcode : t.rowcode)[pos] = e.code;
    t.worth = worth;
    t.key = s.key + keychange<vertical>(e, pos, owncode);
    t.square = s.square + e.piecediff;
    return e;
}

// The light record of the position that mover's push from side at pos makes from hist[hno],
// given as s.
template <char side>
[[gnu::always_inline]] inline lightrec lightchild(const lightrec& s, int32_t pos, int32_t mover) {
    constexpr bool back = side == 'B' || side == 'R';
    lightrec t;
    std::copy(std::begin(s.rowcode), std::end(s.rowcode), t.rowcode);
    std::copy(std::begin(s.colcode), std::end(s.colcode), t.colcode);
    const linepush& e = pushlight<side, true>(s, pos, pushtable[mover - 1][back].data(), t);
    t.at = s.at + 1;
    if (e.out == 0) {  // one piece more than every earlier record: it repeats none
        t.since = t.at;
        t.self = t.rival = {history.hist, 0};
    } else {
        t.since = s.since;
        t.self = rivalsof(t.since, t.at);
        t.rival = rivalsof(t.since, t.at + 1);
    }
    return t;
}

// The value for player to move of the light record s, which has no record: score without
// counting the node.
inline Score lightvalue(const lightrec& s, int32_t player) {
    if (repeats(s.key, s.rowcode, s.self)) return decided;
    return worthvalue(s.worth, *s.square, player);
}

// True when the reply by player from side at pos of the light record s repeats an earlier
// position; for the rare reply whose key an earlier record holds.
template <char side>
[[gnu::noinline, gnu::cold, gnu::pure]] bool replyrepeats(const lightrec& s, int32_t pos,
                                                          int32_t player) {
    const lightrec t = lightchild<side>(s, pos, player);
    return repeats(t.key, t.rowcode, t.self);
}

// The reply by player from side at pos of the light record s, valued at once as ab(0, ...)
// values it; raises best, true at a cut-off.
template <char side, int32_t player, int32_t pos>
[[gnu::always_inline]] inline bool lightreply(const lightrec& s, Score beta, Score& best) {
    constexpr bool back = side == 'B' || side == 'R';
    lightrec t;
    const linepush& e = pushlight<side, false>(s, pos, pushtable[player - 1][back].data(), t);
    // A reply that adds a piece repeats no earlier position.
    const Score g = e.out != 0 && keyheld(t.key, s.rival) && replyrepeats<side>(s, pos, player)
                        ? -decided
                        : -worthvalue(t.worth, *t.square, 3 - player);
    if (g > best) best = g;
    return best >= beta;
}

// The replies by player from side at positions 0..N-1 of the light record s, as lightreply;
// true at a cut-off. Adds the replies tried to tried.
template <char side, int32_t player, int32_t... pos>
[[gnu::always_inline]] inline bool lightreplies(const lightrec& s, Score beta, Score& best,
                                                int64_t& tried,
                                                std::integer_sequence<int32_t, pos...>) {
    return ((tried++, lightreply<side, player, pos>(s, beta, best)) || ...);
}

// ab(1, player, alpha, beta) after the node's own value: its replies in the order of the
// move ring, valued at once.
template <int32_t player>
Score lightleaves(const lightrec& s, Score alpha, Score beta) {
    constexpr auto line = std::make_integer_sequence<int32_t, N>();
    Score best = alpha;
    int64_t tried = 0;
    (void)(lightreplies<dirs[0], player>(s, beta, best, tried, line) ||
           lightreplies<dirs[1], player>(s, beta, best, tried, line) ||
           lightreplies<dirs[2], player>(s, beta, best, tried, line) ||
           lightreplies<dirs[3], player>(s, beta, best, tried, line));
    evaluation.nscore += tried;
    return best;
}

// lightleaves for player 1 or 2.
inline Score lightleaves(const lightrec& s, int32_t player, Score alpha, Score beta) {
    return player == 1 ? lightleaves<1>(s, alpha, beta) : lightleaves<2>(s, alpha, beta);
}

}  // namespace byteboard::BYTEBOARD_NS
