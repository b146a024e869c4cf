#include "byteboard/search.h"

#include "byteboard/evaluate.h"
#include "byteboard/leaves.h"
#include "byteboard/push.h"

namespace byteboard::BYTEBOARD_NS {

namespace {

// ab's test after a node's own value v: a node with no depth left, or a decided one, is a
// leaf, worth v - depth.
inline bool endshere(Score v, int32_t depth) {
    return depth <= 0 || std::abs(v - depth) > decidedbound;
}

// The moves by player with side letter letter, positions 0..N-1, of a node two plies above
// the leaves, given as s: each child is ab(1, ...) on its light record; raises best, true at
// a cut-off. Adds the children valued to made.
template <char letter, int32_t player>
inline bool lightmoves(const lightrec& s, Score beta, Score& best, int64_t& made) {
    for (int32_t pos = 0; pos < N; pos++) {
        const lightrec c = lightchild<letter>(s, pos, player);
        made++;
        const Score v = lightvalue(c, 3 - player);
        const Score g = endshere(v, 1) ? -(v - 1) : -lightleaves<3 - player>(c, -beta, -best);
        if (g > best) best = g;
        if (best >= beta) return true;
    }
    return false;
}

// ab(2, player, alpha, beta) after the node's own value, for the node given as s: its
// children are light records.
template <int32_t player>
Score twoplies(const lightrec& s, Score alpha, Score beta) {
    Score best = alpha;
    int64_t made = 0;
    (void)(lightmoves<dirs[0], player>(s, beta, best, made) ||
           lightmoves<dirs[1], player>(s, beta, best, made) ||
           lightmoves<dirs[2], player>(s, beta, best, made) ||
           lightmoves<dirs[3], player>(s, beta, best, made));
    evaluation.nscore += made;
    return best;
}

// The moves of ab with side letter letter, positions 0..N-1, each played as a record;
// raises best, true at a cut-off.
template <char letter>
inline bool sidemoves(int32_t depth, int32_t player, Score beta, Score& best) {
    for (int32_t pos = 0; pos < N; pos++) {
        push<letter>(pos, player);
        const Score g = -ab(depth - 1, 3 - player, -beta, -best);
        history.hno--;
        if (g > best) best = g;
        if (best >= beta) return true;
    }
    return false;
}

}  // namespace

Score ab(int32_t depth, int32_t player, Score alpha, Score beta) {
    const Score v = value(history.hist[history.hno], player);
    if (endshere(v, depth)) return v - depth;
    // One and two plies above the leaves the node's children are light records.
    if (depth <= 2) {
        const lightrec s = lightof(history.hist[history.hno], history.hno);
        if (depth == 1) return lightleaves(s, player, alpha, beta);
        return player == 1 ? twoplies<1>(s, alpha, beta) : twoplies<2>(s, alpha, beta);
    }
    Score best = alpha;
    // Along the move ring, side by side in the order of dirs; a cut-off skips the rest.
    (void)(sidemoves<dirs[0]>(depth, player, beta, best) ||
           sidemoves<dirs[1]>(depth, player, beta, best) ||
           sidemoves<dirs[2]>(depth, player, beta, best) ||
           sidemoves<dirs[3]>(depth, player, beta, best));
    return best;
}

}  // namespace byteboard::BYTEBOARD_NS
