#include "byteboard/search.h"

#include "byteboard/evaluate.h"
#include "byteboard/push.h"

namespace byteboard::BYTEBOARD_NS {

namespace {

// The totals of the record that push e into line pos (a column when vertical) of rec
// would make, counted from the push table without making it.
template <bool vertical>
[[gnu::always_inline]] inline lanes childtotals(const posrec& rec, const linepush& e, int32_t pos) {
    const linescore* cross = vertical ? rec.row : rec.col;
    const uint16_t* crosscode = vertical ? rec.rowcode : rec.colcode;
    const int32_t crossdigit = pow3[pos];
    lanes totals = load(&rec.xtotal);
    for (unsigned m = e.changes; m; m &= m - 1) {
        const int x = __builtin_ctz(m);
        totals += scorechange(cross[x], crosscode[x] + e.delta[x] * crossdigit);
    }
    return totals + scorechange(vertical ? rec.col[pos] : rec.row[pos], e.code);
}

// value(hist[hno], 3 - mover) right after push<side>(pos, mover), without the push: the
// child's totals, key, piece counts and since follow from the current record and the push
// table as push would compute them. Only when an earlier record holds the child's key is
// the child made, so that the cells can be compared.
template <char side>
[[gnu::always_inline]] inline Score childvalue(int32_t pos, int32_t mover) {
    constexpr bool vertical = side == 'T' || side == 'B';
    constexpr bool back = side == 'B' || side == 'R';
    const posrec& rec = history.hist[history.hno];
    const int32_t owncode = vertical ? rec.colcode[pos] : rec.rowcode[pos];
    const linepush& e = pushtable[mover - 1][back][owncode];
    const lanes totals = childtotals<vertical>(rec, e, pos);
    const uint64_t key = rec.key + keychange<vertical>(e, pos, owncode);
    evaluation.nscore++;
    const int32_t child = history.hno + 1;
    if (keyseen(key, e.out == 0 ? child : rec.since, child)) {
        push<side>(pos, mover);
        const Score v = valueof(history.hist[history.hno], 3 - mover);
        history.hno--;
        return v;
    }
    return staticvalue(totals[2], totals[3], totals[0], totals[1],
                       rec.xpieces - rec.opieces + e.piecediff, 3 - mover);
}

// The moves of ab with side letter letter, positions 0..N-1, raising best; true at a
// cut-off (best reached beta).
template <char letter>
inline bool sidemoves(int32_t depth, int32_t player, Score beta, Score& best) {
    for (int32_t pos = 0; pos < N; pos++) {
        Score g;
        if (depth > 1) {
            push<letter>(pos, player);
            g = -ab(depth - 1, 3 - player, -beta, -best);
            history.hno--;
        } else {
            // A child with no depth left is its static value: ab(0, ...) without the call.
            g = -childvalue<letter>(pos, player);
        }
        if (g > best) best = g;
        if (best >= beta) return true;
    }
    return false;
}

}  // namespace

Score ab(int32_t depth, int32_t player, Score alpha, Score beta) {
    const Score v = value(history.hist[history.hno], player);
    if (depth <= 0 || std::abs(v - depth) > decidedbound) return v - depth;
    Score best = alpha;
    // Along the move ring, side by side in the order of dirs; a cut-off skips the rest.
    (void)(sidemoves<dirs[0]>(depth, player, beta, best) ||
           sidemoves<dirs[1]>(depth, player, beta, best) ||
           sidemoves<dirs[2]>(depth, player, beta, best) ||
           sidemoves<dirs[3]>(depth, player, beta, best));
    return best;
}

}  // namespace byteboard::BYTEBOARD_NS
