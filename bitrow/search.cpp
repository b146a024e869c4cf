#include "bitrow/search.h"

#include "bitrow/board.h"
#include "bitrow/evaluate.h"
#include "bitrow/history.h"
#include "bitrow/linecounts.h"
#include "bitrow/push.h"
#include "bitrow/score.h"
// The 8-bit build's replies in registers (empty for the other widths).
#include "bitrow/leaves8.h"

namespace bitrow::BITROW_NS {

ScoreCache scoreCache;
volatile std::sig_atomic_t timeUp;
std::uint64_t searchCalls;

namespace {

// Moves a decided value 10 toward zero: quicker wins and slower losses score higher.
inline std::int32_t adjustForDistance(std::int32_t v) {
    if (v > straightWeight) return v - 10;
    if (v < -straightWeight) return v + 10;
    return v;
}

inline int cacheSlot(int depth, std::uint32_t key) {
    return static_cast<int>((static_cast<std::uint32_t>(depth) + key) & (cacheSlots - 1));
}

// search at depth 0: the move judged at once, with the same counting and the same result.
// Kept inline so that a node one ply above the leaves tries its replies without calls; the
// mover's side (0 X, 1 O), the board before the move (the top record's) and keyBase() come
// from that node.
template <int side>
inline std::int32_t leafValue(int move, RowMask* mover, RowMask* opponent, const LineCounts& parent,
                              const Board& was, std::uint32_t base) {
    searchCalls++;
    if (timeUp) return noScore;
    if (pushes::apply(move, mover, opponent, 0) == 0) return noScore;
    LineCounts counts;
    const std::uint32_t key = countMoveFrom<false>(move, parent, counts, was, base);
    std::int32_t result;
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

// The replies one ply above the leaves, for a leaf mover of the given side: the loop of
// search's step 7 with the replies valued in place.
template <int side>
inline std::int32_t leafReplies(RowMask* mover, RowMask* opponent, std::int32_t alpha,
                                std::int32_t beta, const LineCounts& parent) {
    const Board& was = histStack[histCount - 1].board;
    const std::uint32_t base = keyBase();
    std::int32_t v = beta;
    const int moves = 4 * boardSize;
    for (int i = 0; i < moves; i++) {
        const std::int32_t g = -leafValue<side>(i, mover, opponent, parent, was, base);
        if (g < v) {
            v = g;
            if (v < alpha) break;
        }
    }
    return v;
}

#if BITROW_BOARD_KEY
// The replies of a node two plies above the leaves, by `side`: each valued as node() values
// a move with one ply left, its position, counts and key kept in registers until it is
// recorded.
template <int side, bool tabled>
std::int32_t twoPlies(const leaves::Start& s, std::int32_t alpha, std::int32_t beta) {
    return leaves::eachReply<side, tabled>(
        s, alpha, beta, searchCalls, [&](const leaves::Child& c, std::int32_t v) {
            // The reply's window, as node(i, ..., 1, -v, -alpha) has it.
            const std::int32_t low = -v, high = -alpha;
            if (keyRecorded(c.key)) return lossScore;
            if (const std::int32_t t = leaves::straightsScore<side>(s, c)) return t;
            std::memcpy(board.x, &c.x, 8);
            std::memcpy(board.o, &c.o, 8);
            recordBoard(c.key);
            std::int32_t w = high;
            if (low <= high) {
                const leaves::Start t = leaves::startFromChild(s, c);
                w = leaves::replies<1 - side, tabled>(t, low, high, searchCalls);
            }
            popHist();
            std::memcpy(board.x, &s.x, 8);
            std::memcpy(board.o, &s.o, 8);
            return adjustForDistance(w);
        });
}
#endif

// search with the counts of the position before the move. The key, the terminal test and
// the leaf value come from the counts, which equal hashBoard, terminalScore and
// evaluate(mover) - evaluate(opponent) of the position after the move.
std::int32_t node(int move, RowMask* mover, RowMask* opponent, int depth, std::int32_t alpha,
                  std::int32_t beta, const LineCounts& parent) {
    searchCalls++;
    if (timeUp) return noScore;
    const int r = pushes::apply(move, mover, opponent, 0);
    if (r == 0) return noScore;
    LineCounts counts;
    const std::uint32_t key = countMove<true>(move, parent, counts);
    if (keyRecorded(key)) {
        restoreBoard();
        return lossScore;
    }

    const int m = mover == board.x ? 0 : 1;
    std::int32_t result = terminalFromCounts(counts.side[m], counts.side[1 - m]);
    if (result != 0) {
        restoreBoard();
        return result;
    }
    if (depth == 0) {
        result = counts.side[m].score - counts.side[1 - m].score;
        restoreBoard();
        return result;
    }

    recordBoard(key);
    const bool cached = depth >= 2 && r == 2;
    const int slot = cacheSlot(depth, key);
    if (cached && scoreCache.key[slot] == static_cast<std::int32_t>(key) &&
        scoreCache.score[slot] != cacheMiss) {
        result = scoreCache.score[slot];
    } else {
        std::int32_t v = beta;
        if (alpha <= beta) {
            if (depth == 1) {
                // The replies' mover is the opponent: side 1 - m.
#if BITROW_BOARD_KEY
                if (histCount > 3) {
                    const leaves::Start start = leaves::startFrom(board, counts);
                    if (rowtable::filledFor == boardSize)
                        v = m == 0 ? leaves::replies<1, true>(start, alpha, beta, searchCalls)
                                   : leaves::replies<0, true>(start, alpha, beta, searchCalls);
                    else
                        v = m == 0 ? leaves::replies<1, false>(start, alpha, beta, searchCalls)
                                   : leaves::replies<0, false>(start, alpha, beta, searchCalls);
                } else
#endif
                    v = m == 0 ? leafReplies<1>(opponent, mover, alpha, beta, counts)
                               : leafReplies<0>(opponent, mover, alpha, beta, counts);
            }
#if BITROW_BOARD_KEY
            else if (depth == 2 && histCount > 3) {
                const leaves::Start start = leaves::startFrom(board, counts);
                if (rowtable::filledFor == boardSize)
                    v = m == 0 ? twoPlies<1, true>(start, alpha, beta)
                               : twoPlies<0, true>(start, alpha, beta);
                else
                    v = m == 0 ? twoPlies<1, false>(start, alpha, beta)
                               : twoPlies<0, false>(start, alpha, beta);
            }
#endif
            else {
                const int moves = 4 * boardSize;
                for (int i = 0; i < moves; i++) {
                    const std::int32_t g = -node(i, opponent, mover, depth - 1, -v, -alpha, counts);
                    if (g < v) {
                        v = g;
                        if (v < alpha) break;
                    }
                }
            }
        }
        v = adjustForDistance(v);
        if (cached) {
            scoreCache.key[slot] = static_cast<std::int32_t>(key);
            scoreCache.score[slot] = v;
        }
        result = v;
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
std::int32_t search(int move, RowMask* mover, RowMask* opponent, int depth, std::int32_t alpha,
                    std::int32_t beta) {
#if BITROW_BOARD_KEY
    rowtable::fill();
#endif
    const LineCounts counts = countLines();
    return node(move, mover, opponent, depth, alpha, beta, counts);
}

}  // namespace bitrow::BITROW_NS
