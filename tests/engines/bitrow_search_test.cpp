// The search against a plain minimax over the cell model, its invariants, the score
// cache's slots and the root's ordering.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "tests/engines/bitrow_util.h"

using namespace testutil;

namespace {

using SeenPositions = std::vector<std::pair<model::Board, model::Piece>>;

// Plain negamax over the model, without refusals, cache or cut-offs: the value of m for
// the mover, depth further plies below it, lowered from `ceiling`.
std::int64_t reference(SeenPositions& seen, model::Board b, model::Piece mover, model::Move m,
                       int depth, std::int64_t ceiling = cacheMiss) {
    b.push(m, mover);
    const model::Piece next = model::opponent(mover);
    if (std::find(seen.begin(), seen.end(), std::make_pair(b, next)) != seen.end())
        return lossScore;
    const int mine = b.straights(mover), theirs = b.straights(next);
    if (mine != theirs) return mine > theirs ? winScore : lossScore;
    if (depth == 0) return modelEval(b, mover) - modelEval(b, next);
    seen.push_back({b, next});
    std::int64_t v = ceiling;
    for (model::Move reply : model::allMoves(b.size()))
        v = std::min(v, -reference(seen, b, next, reply, depth - 1));
    seen.pop_back();
    if (v > straightWeight) return v - 10;
    if (v < -straightWeight) return v + 10;
    return v;
}

// A random game of `plies` forced moves on both the engine and the model; returns the
// model history. Stops early if the game is decided.
SeenPositions randomGame(std::mt19937& rng, int n, int plies) {
    freshGame(n);
    model::Game g(n);
    SeenPositions seen{{g.board(), model::Piece::X}};
    for (int p = 0; p < plies; p++) {
        for (int attempt = 0;; attempt++) {
            const int i = std::uniform_int_distribution<int>(0, 4 * n - 1)(rng);
            model::Game copy = g;
            if (copy.play(toModelMove(i)) != model::Outcome::Open && attempt < 50) continue;
            g = copy;
            EXPECT_TRUE(playForced(i));
            seen.push_back({g.board(), g.toMove()});
            break;
        }
    }
    return seen;
}

model::Piece sideToMove() {
    return history.histCount % 2 ? model::Piece::X : model::Piece::O;
}

TEST(BitrowSearch, ValuesEqualPlainMinimaxAndLeaveTheEngineAsFound) {
    std::mt19937 rng(2024);
    int compared = 0;
    for (int n : {2, 3, 4}) {
        if (n > rowLimit) continue;
        for (int game = 0; game < (n == 4 ? 4 : 10); game++) {
            SeenPositions seen = randomGame(rng, n, 4 + game % 5);
            const model::Board b = toModel();
            for (int depth = 0; depth <= 2; depth++) {
                for (int i = 0; i < 4 * n; i++) {
                    std::memset(&scoreCache, 0, sizeof scoreCache);
                    const EngineState before = EngineState::take();
                    const std::int32_t v =
                        search(asMove(i), moverRows(), opponentRows(), depth, noScore, cacheMiss);
                    ASSERT_TRUE(EngineState::take() == before) << "search changed the engine";
                    if (v == noScore) continue;  // refused: a duplicate of another move
                    ASSERT_EQ(v, reference(seen, b, sideToMove(), toModelMove(i), depth))
                        << "N=" << n << " depth " << depth << " " << moveName(asMove(i));
                    compared++;
                }
            }
        }
    }
    EXPECT_GT(compared, 500);
}

// Larger boards and one ply deeper, where the last plies run with cut-offs inside the
// window: still the plain minimax's values.
TEST(BitrowSearch, DeeperValuesOnLargerBoardsEqualPlainMinimax) {
    std::mt19937 rng(77);
    int compared = 0, adjusted = 0;
    for (int n = 5; n <= std::min(rowLimit, 8); n++) {
        for (int game = 0; game < 6; game++) {
            // Open boards and full ones, where straights are near.
            SeenPositions seen = randomGame(rng, n, game == 0 ? n + 2 : n * n + game);
            const model::Board b = toModel();
            for (int depth = 2; depth <= (n <= 6 ? 3 : 2); depth++) {
                for (int i = game; i < 4 * n; i += depth == 3 ? 17 : 1) {
                    std::memset(&scoreCache, 0, sizeof scoreCache);
                    const EngineState before = EngineState::take();
                    const std::int32_t v =
                        search(asMove(i), moverRows(), opponentRows(), depth, noScore, cacheMiss);
                    ASSERT_TRUE(EngineState::take() == before) << "search changed the engine";
                    if (v == noScore) continue;
                    ASSERT_EQ(v, reference(seen, b, sideToMove(), toModelMove(i), depth))
                        << "N=" << n << " depth " << depth << " " << moveName(asMove(i));
                    compared++;
                    // Decided one ply or more below: moved toward zero.
                    adjusted += isDecided(v) && v != winScore && v != lossScore;
                }
            }
        }
    }
    EXPECT_GT(compared, 150);
    EXPECT_GT(adjusted, 10);
}

TEST(BitrowSearch, DecidedMovesAreNotAdjustedByTheNodeThatFindsThem) {
    if (rowLimit < 3) return;
    freshGame(3);
    // X X . / O O . / . . . with X to move: L1 completes X's row at once.
    for (int i : {0, 1, 0, 1}) ASSERT_TRUE(playForced(i));
    for (int depth : {0, 1, 3})
        EXPECT_EQ(search(asMove(0), board.x, board.o, depth, 0, 5), winScore) << depth;
    // X X . / O . . / . . . with O to move: whatever O plays but the block, X's first
    // reply L1 (MoveIndex 0) wins at once, so O's L3 is worth the loss moved 10 toward 0.
    freshGame(3);
    for (int i : {0, 1, 0}) ASSERT_TRUE(playForced(i));
    for (int depth : {1, 2})
        EXPECT_EQ(search(asMove(2), board.o, board.x, depth, noScore, cacheMiss), -999999990)
            << depth;
}

TEST(BitrowSearch, TimeUpReturnsNoScoreAndChangesNothing) {
    std::mt19937 rng(5);
    randomGame(rng, rowLimit < 5 ? rowLimit : 5, 6);
    const EngineState before = EngineState::take();
    searchState.timeUp = 1;
    EXPECT_EQ(search(asMove(0), moverRows(), opponentRows(), 3, noScore, rootCeiling), noScore);
    std::int32_t score = 0;
    EXPECT_EQ(deepen(&score), 0);
    EXPECT_EQ(score, noScore);
    searchState.timeUp = 0;
    EXPECT_TRUE(EngineState::take() == before);
}

// Key of the position that move i reaches, as the search would record it.
std::uint32_t keyAfter(int i, int* result) {
    const Board before = board;
    *result = static_cast<int>(applyMove(asMove(i), moverRows(), opponentRows(), true));
    const std::uint32_t key = hashBoard();
    board = before;
    return key;
}

TEST(BitrowSearch, CacheSlotsBelongToKeyAndDepthAndOnlyThroughPushes) {
    const int n = rowLimit < 4 ? rowLimit : 4;
    freshGame(n);
    for (int i : {0, 1, 2, 3, 0, 1, 2}) ASSERT_TRUE(playForced(i));  // left column filled
    // One allowed move that runs through its whole line, one that an empty cell absorbs.
    int through = -1, absorbed = -1;
    for (int i = 0; i < 4 * n && (through < 0 || absorbed < 0); i++) {
        int r;
        keyAfter(i, &r);
        const Board before = board;
        const bool ok =
            applyMove(asMove(i), moverRows(), opponentRows(), false) != PushResult::refused;
        board = before;
        if (!ok) continue;
        if (r == 2 && through < 0) through = i;
        if (r == 1 && absorbed < 0) absorbed = i;
    }
    ASSERT_GE(through, 0);
    ASSERT_GE(absorbed, 0);
    int r;
    const std::uint32_t key = keyAfter(through, &r);
    for (int depth : {2, 3, 4}) {
        std::memset(&scoreCache, 0, sizeof scoreCache);
        const std::int32_t honest =
            search(asMove(through), moverRows(), opponentRows(), depth, noScore, cacheMiss);
        const int slot = (depth + key) & (cacheSlots - 1);
        EXPECT_EQ(scoreCache.key[slot], static_cast<std::int32_t>(key)) << "stored at its depth";
        EXPECT_EQ(scoreCache.score[slot], honest);
        // A planted entry at this depth is used as it stands; at the next depth it is not.
        scoreCache.score[slot] = 4242;
        EXPECT_EQ(search(asMove(through), moverRows(), opponentRows(), depth, noScore, cacheMiss),
                  4242);
        const std::int32_t deeper =
            search(asMove(through), moverRows(), opponentRows(), depth + 1, noScore, cacheMiss);
        EXPECT_NE(deeper, 4242);
        // The miss marker is never taken for a score.
        std::memset(&scoreCache, 0, sizeof scoreCache);
        scoreCache.key[slot] = static_cast<std::int32_t>(key);
        scoreCache.score[slot] = cacheMiss;
        EXPECT_EQ(search(asMove(through), moverRows(), opponentRows(), depth, noScore, cacheMiss),
                  honest);
    }
    // Depth 1 never uses the cache; nor does a push that an empty cell absorbed.
    std::memset(&scoreCache, 0, sizeof scoreCache);
    const std::int32_t shallow =
        search(asMove(through), moverRows(), opponentRows(), 1, noScore, cacheMiss);
    scoreCache.key[(1 + key) & (cacheSlots - 1)] = static_cast<std::int32_t>(key);
    scoreCache.score[(1 + key) & (cacheSlots - 1)] = 4242;
    EXPECT_EQ(search(asMove(through), moverRows(), opponentRows(), 1, noScore, cacheMiss), shallow);
    const std::uint32_t absorbedKey = keyAfter(absorbed, &r);
    std::memset(&scoreCache, 0, sizeof scoreCache);
    const std::int32_t plain =
        search(asMove(absorbed), moverRows(), opponentRows(), 2, noScore, cacheMiss);
    const int slot = (2 + absorbedKey) & (cacheSlots - 1);
    EXPECT_EQ(scoreCache.key[slot], 0) << "no store after an absorbed push";
    scoreCache.key[slot] = static_cast<std::int32_t>(absorbedKey);
    scoreCache.score[slot] = 4242;
    EXPECT_EQ(search(asMove(absorbed), moverRows(), opponentRows(), 2, noScore, cacheMiss), plain);
}

TEST(BitrowRoot, BestScoreMatchesMinimaxUnderTheRootCeilingAndTiesKeepTheFirst) {
    std::mt19937 rng(31);
    for (int n : {3, 4}) {
        if (n > rowLimit) continue;
        for (int game = 0; game < 6; game++) {
            SeenPositions seen = randomGame(rng, n, 4 + game);
            const model::Board b = toModel();
            for (int depth = 1; depth <= 2; depth++) {
                std::memset(&scoreCache, 0, sizeof scoreCache);
                MoveIndex in[4 * rowLimit], out[4 * rowLimit];
                for (int i = 0; i < 4 * n; i++) in[i] = asMove(4 * n - 1 - i);  // reversed order
                std::int32_t best;
                const int move = searchRoot(moverRows(), opponentRows(), &best, depth, in, out);
                // Expected: the first move in the order with the highest capped value.
                std::int64_t top = noScore;
                int first = -1;
                for (int k = 0; k < 4 * n; k++) {
                    const int i = in[k];
                    const Board before = board;
                    const bool refused = applyMove(asMove(i), moverRows(), opponentRows(), false) ==
                                         PushResult::refused;
                    board = before;
                    if (refused) continue;
                    const std::int64_t v =
                        reference(seen, b, sideToMove(), toModelMove(i), depth, rootCeiling);
                    if (v > top) top = v, first = i;
                }
                EXPECT_EQ(best, top) << "N=" << n << " depth " << depth;
                EXPECT_EQ(move, first);
                EXPECT_EQ(out[0], move);
                std::vector<std::int32_t> sorted(out, out + 4 * n);
                std::sort(sorted.begin(), sorted.end());
                for (int i = 0; i < 4 * n; i++) ASSERT_EQ(sorted[i], i) << "not a permutation";
            }
        }
    }
}

TEST(BitrowRoot, LeadersGoToTheFrontInReverseOrderOfDiscovery) {
    // Root values rise along the order only where a move is a new leader; everything else
    // keeps its order behind the leaders. Checked by replaying the root's own comparisons.
    std::mt19937 rng(17);
    const int n = rowLimit < 5 ? rowLimit : 5;
    randomGame(rng, n, 8);
    MoveIndex in[4 * rowLimit], out[4 * rowLimit];
    for (int i = 0; i < 4 * n; i++) in[i] = asMove(i);
    std::int32_t best;
    std::memset(&scoreCache, 0, sizeof scoreCache);
    searchRoot(moverRows(), opponentRows(), &best, 1, in, out);
    // Recompute the root's values with the same windows (depth 1 never touches the cache).
    std::vector<int> leaders, others;
    std::int32_t running = noScore;
    for (int i = 0; i < 4 * n; i++) {
        const std::int32_t v = search(in[i], moverRows(), opponentRows(), 1, running, rootCeiling);
        if (v > running) {
            running = v;
            leaders.insert(leaders.begin(), in[i]);
        } else {
            others.push_back(in[i]);
        }
    }
    EXPECT_EQ(running, best);
    std::vector<int> expected = leaders;
    expected.insert(expected.end(), others.begin(), others.end());
    EXPECT_EQ(std::vector<int>(out, out + 4 * n), expected);
}

std::vector<int> iterations;
void recordIteration(int depth, std::int32_t, MoveIndex, bool) {
    iterations.push_back(depth);
}

TEST(BitrowDeepen, StopsOnAnImmediateWinAfterTheFirstIteration) {
    if (rowLimit < 3) return;
    freshGame(3);
    for (int i : {0, 1, 0, 1}) ASSERT_TRUE(playForced(i));  // X X . / O O . / . . .
    iterations.clear();
    deepening.iterationObserver = recordIteration;
    std::int32_t score;
    const int move = deepen(&score);
    deepening.iterationObserver = nullptr;
    EXPECT_EQ(move, 0);  // L1 completes the top row
    EXPECT_EQ(score, winScore);
    EXPECT_EQ(iterations, std::vector<int>{3});
}

TEST(BitrowDeepen, FirstMoveOrdersKeepRefusedMovesInPlaceAndRowsArePermutations) {
    const int n = rowLimit < 5 ? rowLimit : 5;
    freshGame(n);
    iterations.clear();
    deepening.iterationObserver = recordIteration;
    deepening.depthLimit = 4;
    std::int32_t score;
    const int move = deepen(&score);
    deepening.depthLimit = lastDepth;
    deepening.iterationObserver = nullptr;
    EXPECT_EQ(iterations, (std::vector<int>{3, 4}));
    EXPECT_TRUE(move >= 0 && 2 * move < n) << "the first move is one of L1..L" << (n + 1) / 2;
    for (int row : {4, 5}) {
        std::vector<std::int32_t> r(deepening.moveOrder[row], deepening.moveOrder[row] + 4 * n);
        std::vector<std::int32_t> refused;
        for (std::int32_t m : r)
            if (!(m < n && 2 * m < n)) refused.push_back(m);
        EXPECT_TRUE(std::is_sorted(refused.begin(), refused.end())) << "row " << row;
        std::sort(r.begin(), r.end());
        for (int i = 0; i < 4 * n; i++) ASSERT_EQ(r[i], i);
    }
    EXPECT_EQ(deepening.moveOrder[5][0], move);
}

}  // namespace

// Every byte of a member is zero, as at process start.
template <class T>
bool allZero(const T& member) {
    const auto* p = reinterpret_cast<const unsigned char*>(&member);
    return std::all_of(p, p + sizeof member, [](unsigned char b) { return b == 0; });
}

TEST(BitrowReset, EveryModuleAndTheToolsSettingsReturnToProcessStart) {
    const int n = rowLimit < 5 ? rowLimit : 5;
    std::mt19937 rng(5);
    randomGame(rng, n, 6);
    deepening.iterationObserver = recordIteration;
    deepening.depthLimit = 4;
    std::int32_t score;
    deepen(&score);  // fills orders, cache slots and the call counter
    ASSERT_GT(searchState.searchCalls, 0u);
    ASSERT_EQ(evaluate, evaluatorFor(n));  // installed by the turn
    searchState.timeUp = 1;

    resetEngine();
    EXPECT_TRUE(allZero(board));
    EXPECT_EQ(sizes.boardSize, 0);
    EXPECT_EQ(sizes.topBit | sizes.fullMask, 0u);
    EXPECT_EQ(sizes.hashShift, 0);
    EXPECT_EQ(sizes.unusedRowBytes | sizes.fullRowBytes, 0u);
    // The bit counts stay filled: every entry holds its count or is not yet filled.
    for (std::uint32_t m = 0; m < (1u << rowLimit); m++)
        ASSERT_EQ(bitCount.of[m], m < bitCount.filled ? __builtin_popcount(m) : 0) << m;
    EXPECT_GE(bitCount.filled, 1u << n);
    for (const HistEntry& e : histStack)
        ASSERT_TRUE(e.link == nullptr && e.key == 0 && allZero(e.board));
    EXPECT_EQ(history.histCount, 0);
    EXPECT_TRUE(std::all_of(std::begin(history.histBucket), std::end(history.histBucket),
                            [](const HistEntry* h) { return h == nullptr; }));
    EXPECT_TRUE(allZero(history.keyWeight));
    EXPECT_EQ(history.keySeedWeight, 0u);
    EXPECT_TRUE(allZero(scoreCache));
    EXPECT_EQ(searchState.timeUp, 0);
    EXPECT_EQ(searchState.searchCalls, 0u);
    EXPECT_TRUE(allZero(deepening.moveOrder));
    EXPECT_EQ(deepening.depthLimit, lastDepth);
    EXPECT_EQ(deepening.iterationObserver, nullptr);
    EXPECT_EQ(evaluate, nullptr);

    // Without a search since, a reset leaves the untouched cache as it is, all zero, and
    // still clears every record the replay wrote.
    EXPECT_FALSE(scoreCache.searched);
    randomGame(rng, n, 8);
    resetEngine();
    for (const HistEntry& e : histStack)
        ASSERT_TRUE(e.link == nullptr && e.key == 0 && allZero(e.board));
    EXPECT_EQ(history.histCount, 0);
    EXPECT_TRUE(allZero(scoreCache));
}
