#include "bitrow/search.h"

#include <cstring>

#include "bitrow/board.h"
#include "bitrow/history.h"
#include "bitrow/linecounts.h"
#include "bitrow/push.h"
// The replies of the last two plies in registers (empty without SSE2).
#include "bitrow/leaves.h"

namespace bitrow::BITROW_NS {

ScoreCache scoreCache;
SearchState searchState;

namespace {

// Moves a decided value toward zero: quicker wins and slower losses score higher.
inline Score adjustForDistance(Score v) {
    if (v > straightWeight) return v - distanceStep;
    if (v < -straightWeight) return v + distanceStep;
    return v;
}

inline int cacheSlot(int depth, std::uint32_t key) {
    return static_cast<int>((static_cast<std::uint32_t>(depth) + key) & (cacheSlots - 1));
}

// The cached score of the position with this key in its slot, if there is one.
inline bool cacheHit(int slot, std::uint32_t key, Score& score) {
    const ScoreCache& cache = scoreCache;
    if (cache.key[slot] != static_cast<std::int32_t>(key) || cache.score[slot] == cacheMiss)
        return false;
    score = cache.score[slot];
    return true;
}

inline void cacheStore(int slot, std::uint32_t key, Score score) {
    scoreCache.key[slot] = static_cast<std::int32_t>(key);
    scoreCache.score[slot] = score;
}

// search at depth 0: the move judged at once, with the same counting and the same result.
// Kept inline so that a node one ply above the leaves tries its replies without calls; the
// mover's side (0 X, 1 O), the board before the move (the top record's) and keyBase() come
// from that node.
template <int side>
inline Score leafValue(MoveIndex move, RowMask* mover, RowMask* opponent, const LineCounts& parent,
                       const Board& was, std::uint32_t base) {
    searchState.searchCalls++;
    if (searchState.timeUp) return noScore;
    if (pushes::apply(move, mover, opponent, false) == PushResult::refused) return noScore;
    LineCounts counts;
    const std::uint32_t key = countMoveFrom<false>(move, parent, counts, was, base);
    Score result;
    if (keyRecorded(key)) {
        result = lossScore;
    } else {
        const SideCounts &a = counts.side[side], &b = counts.side[1 - side];
        result = terminalFromCounts(a, b);
        if (result == 0) result = a.score - b.score;
    }
    board = was;
    return result;
}

// The replies one ply above the leaves, for a leaf mover of the given side: the reply loop
// with the replies valued in place.
template <int side>
inline Score leafReplies(RowMask* mover, RowMask* opponent, Score alpha, Score beta,
                         const LineCounts& parent) {
    const Board& was = histStack[history.histCount - 1].board;
    const std::uint32_t base = keyBase();
    Score v = beta;
    const int moves = 4 * sizes.boardSize;
    for (int i = 0; i < moves; i++) {
        const Score g =
            -leafValue<side>(static_cast<MoveIndex>(i), mover, opponent, parent, was, base);
        if (g < v) {
            v = g;
            if (v < alpha) break;
        }
    }
    return v;
}

// A position that needs no replies: a repetition loses for the side that made it, a decided
// position has its terminal value, and at depth 0 the value is the evaluation. True with the
// value in `result`; `m` is the mover's side (0 X, 1 O).
[[gnu::always_inline]] inline bool judgedAtOnce(const LineCounts& counts, int m, int depth,
                                                Score& result) {
    result = terminalFromCounts(counts.side[m], counts.side[1 - m]);
    if (result != 0) return true;
    if (depth == 0) {
        result = counts.side[m].score - counts.side[1 - m].score;
        return true;
    }
    return false;
}

Score node(MoveIndex move, RowMask* mover, RowMask* opponent, int depth, Score alpha, Score beta,
           const LineCounts& parent);

#if BITROW_VECTORS
// The replies of a node two plies above the leaves, by `side`: each valued as node() values
// a move with one ply left, its position, counts and key kept in registers until it is
// recorded.
template <int side, bool tabled>
Score twoPlies(const leaves::Start& s, Score alpha, Score beta) {
    return leaves::eachReply<side, tabled>(
        s, alpha, beta, searchState.searchCalls,
        [&](const leaves::Child& c, Score v) __attribute__((always_inline)) {
            // The reply's window, as node(i, ..., 1, -v, -alpha) has it.
            const Score low = -v, high = -alpha;
            if (keyRecorded(c.key)) return lossScore;
            if (const Score t = leaves::straightsScore<side>(s, c)) return t;
            if (low > high) return adjustForDistance(high);  // no reply is tried
            // Recorded for the repetition test of its replies, which read no record's board.
            leaves::place(c);
            recordKey(c.key);
            const leaves::Start t = leaves::startFromChild(s, c);
            const Score w =
                leaves::replies<1 - side, tabled>(t, low, high, searchState.searchCalls);
            popHist();
            leaves::unplace(c);
            return adjustForDistance(w);
        });
}

// The replies of the node one or two plies above the leaves whose board (recorded) and
// counts are given, by `side`.
template <int side, bool tabled>
Score repliesOf(int depth, Score alpha, Score beta, const LineCounts& counts) {
    const leaves::Start start = leaves::startFrom(counts);
    if (depth == 1)
        return leaves::replies<side, tabled>(start, alpha, beta, searchState.searchCalls);
    return twoPlies<side, tabled>(start, alpha, beta);
}

// The replies of a node one or two plies above the leaves in registers, for the replier's
// side; false when this node takes the general path (the game's first moves, or depth 3 up).
// The 8-bit build looks its line pushes up for N up to 7.
inline bool repliesInRegisters(int m, int depth, Score alpha, Score beta, const LineCounts& counts,
                               Score& v) {
    if (depth > 2 || history.histCount <= 3) return false;
#if BITROW_WORDS
    if (rowtable::filledFor == sizes.boardSize) {
        v = m == 0 ? repliesOf<1, true>(depth, alpha, beta, counts)
                   : repliesOf<0, true>(depth, alpha, beta, counts);
        return true;
    }
#endif
    v = m == 0 ? repliesOf<1, false>(depth, alpha, beta, counts)
               : repliesOf<0, false>(depth, alpha, beta, counts);
    return true;
}
#endif

// The value of a recorded position, the minimum over the replies of `replier` (the side of
// `1 - m`), never above beta: it starts at beta, only a strictly lower reply lowers it, and
// the loop stops once it falls below alpha. With alpha above beta no reply is tried.
[[gnu::always_inline]] inline Score replies(RowMask* replier, RowMask* other, int m, int depth,
                                            Score alpha, Score beta, const LineCounts& counts) {
    Score v = beta;
    if (alpha > beta) return v;
#if BITROW_VECTORS
    if (repliesInRegisters(m, depth, alpha, beta, counts, v)) return v;
#endif
    if (depth == 1)
        return m == 0 ? leafReplies<1>(replier, other, alpha, beta, counts)
                      : leafReplies<0>(replier, other, alpha, beta, counts);
    const int moves = 4 * sizes.boardSize;
    for (int i = 0; i < moves; i++) {
        const Score g =
            -node(static_cast<MoveIndex>(i), replier, other, depth - 1, -v, -alpha, counts);
        if (g < v) {
            v = g;
            if (v < alpha) break;
        }
    }
    return v;
}

// search with the counts of the position before the move. The key, the terminal test and
// the leaf value come from the counts, which equal hashBoard, terminalScore and the
// evaluation of the position after the move. The cache serves positions reached by a push
// through the whole line, from depth 2 up.
Score node(MoveIndex move, RowMask* mover, RowMask* opponent, int depth, Score alpha, Score beta,
           const LineCounts& parent) {
    searchState.searchCalls++;
    if (searchState.timeUp) return noScore;
    const PushResult r = pushes::apply(move, mover, opponent, false);
    if (r == PushResult::refused) return noScore;
    LineCounts counts;
    const std::uint32_t key = countMove<true>(move, parent, counts);
    if (keyRecorded(key)) {
        restoreBoard();
        return lossScore;
    }
    const int m = mover == board.x ? 0 : 1;
    Score result;
    if (judgedAtOnce(counts, m, depth, result)) {
        restoreBoard();
        return result;
    }

    recordBoard(key);
    const bool cached = depth >= 2 && r == PushResult::pushedThrough;
    const int slot = cacheSlot(depth, key);
    if (!(cached && cacheHit(slot, key, result))) {
        result = adjustForDistance(replies(opponent, mover, m, depth, alpha, beta, counts));
        if (cached) cacheStore(slot, key, result);
    }
    popHist();
    restoreBoard();
    return result;
}

}  // namespace

// Equal in every result and every lasting state change to: applyMove, pushHist (restoring
// the board and losing on a repetition), terminalScore, evaluation at depth 0, the cache and
// the replies, popHist and restoreBoard. A position that is judged at once is not written to
// the history at all: its key is only looked up, and the board comes back from the top record.
Score search(MoveIndex move, RowMask* mover, RowMask* opponent, int depth, Score alpha,
             Score beta) {
#if BITROW_WORDS
    rowtable::fill();
#endif
    scoreCache.searched = true;
    // The deepest record this search can write, for the reset.
    if (history.histCount + depth + 1 > history.peak) history.peak = history.histCount + depth + 1;
    const LineCounts counts = countLines();
    return node(move, mover, opponent, depth, alpha, beta, counts);
}

}  // namespace bitrow::BITROW_NS
