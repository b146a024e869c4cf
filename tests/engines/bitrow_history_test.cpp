// Position history: keys, chains, repetition and undo.
#include <gtest/gtest.h>

#include "bitrow/linecounts.h"
#include "tests/engines/bitrow_util.h"

using namespace testutil;

namespace {

bool chainsHoldExactlyTheStack() {
    int linked = 0;
    for (int b = 0; b < histBuckets; b++)
        for (const HistEntry* e = history.histBucket[b]; e; e = e->link) {
            if (e < histStack || e >= histStack + history.histCount) return false;
            if ((e->key & (histBuckets - 1)) != static_cast<std::uint32_t>(b)) return false;
            linked++;
        }
    return linked == history.histCount;
}

TEST(BitrowHistory, StartPositionIsTheOnlyRecord) {
    freshGame(rowLimit < 5 ? rowLimit : 5);
    EXPECT_EQ(history.histCount, 1);
    const std::uint32_t key = histStack[0].key;
    EXPECT_EQ(key, modelKey(model::Board(sizes.boardSize), 0));
    EXPECT_EQ(history.histBucket[key & 0xfff], &histStack[0]);
    EXPECT_EQ(histStack[0].link, nullptr);
    EXPECT_TRUE(chainsHoldExactlyTheStack());
}

TEST(BitrowHistory, KeysMatchTheReferenceAndPushPopRestoreUndo) {
    std::mt19937 rng(99);
    for (int n = 1; n <= rowLimit; n++) {
        freshGame(n);
        for (int ply = 0; ply < 40; ply++) {
            const int i = std::uniform_int_distribution<int>(0, 4 * n - 1)(rng);
            const EngineState before = EngineState::take();
            applyMove(asMove(i), moverRows(), opponentRows(), true);
            const model::Board after = toModel();
            const std::uint32_t expectedKey = modelKey(after, history.histCount);
            ASSERT_EQ(hashBoard(), expectedKey);
            if (pushHist() == PushResult::refused) {
                // A repetition changes nothing but the board, which restoreBoard mends.
                ASSERT_EQ(history.histCount, before.count);
                restoreBoard();
                ASSERT_TRUE(EngineState::take() == before);
                continue;
            }
            ASSERT_EQ(histStack[history.histCount - 1].key, expectedKey);
            ASSERT_TRUE(chainsHoldExactlyTheStack());
            // Undo and redo: popHist and restoreBoard bring back the earlier state exactly.
            popHist();
            restoreBoard();
            ASSERT_TRUE(EngineState::take() == before) << "N=" << n;
            applyMove(asMove(i), moverRows(), opponentRows(), true);
            ASSERT_EQ(pushHist(), PushResult::pushed);
        }
    }
}

TEST(BitrowHistory, RepetitionsAreFoundFarBackAndForgottenWhenPopped) {
    const int n = rowLimit < 3 ? rowLimit : 3;
    freshGame(n);
    // Column 2 only: X . . / X . O / X X O / O X X / X O X / O X O, then X's T2 gives
    // X O X with O to move again: the position after the fifth move.
    const int t2 = 3 * n - 2, b2 = 4 * n - 2;
    for (int i : {t2, b2, t2, t2, t2, t2}) ASSERT_TRUE(playForced(i));
    const EngineState before = EngineState::take();
    applyMove(asMove(t2), moverRows(), opponentRows(), true);
    EXPECT_EQ(pushHist(), PushResult::refused);
    EXPECT_EQ(history.histCount, before.count);
    restoreBoard();
    EXPECT_TRUE(EngineState::take() == before);
    // Back to the position after the fourth move: the record of the fifth is popped,
    // so reaching its position again is no repetition.
    popHist();
    restoreBoard();
    popHist();
    restoreBoard();
    applyMove(asMove(t2), moverRows(), opponentRows(), true);
    EXPECT_EQ(pushHist(), PushResult::pushed);
    EXPECT_TRUE(chainsHoldExactlyTheStack());
}

TEST(BitrowHistory, TheSameCellsWithTheOtherSideToMoveAreNoRepetition) {
    freshGame(rowLimit < 4 ? rowLimit : 4);
    const std::uint32_t xToMove = hashBoard();
    history.histCount = 2;
    EXPECT_NE(hashBoard(), xToMove);
    history.histCount = 1;
}

TEST(BitrowHistory, EqualKeysCountAsEqualPositions) {
    freshGame(rowLimit < 4 ? rowLimit : 4);
    // Plant a record whose key equals that of a different board: pushHist must refuse.
    const Board start = board;
    board.x[1] = 1;
    const std::uint32_t target = hashBoard();
    board = start;
    // Pretend the start position had that key.
    history.histBucket[histStack[0].key & 0xfff] = nullptr;
    histStack[0].key = target;
    history.histBucket[target & 0xfff] = &histStack[0];
    board.x[1] = 1;
    EXPECT_EQ(pushHist(), PushResult::refused);
}

}  // namespace

namespace {

// Key of an otherwise empty board of size n holding the given X and O cells, X to move.
std::uint32_t keyWith(int n, std::initializer_list<std::pair<int, int>> xs,
                      std::initializer_list<std::pair<int, int>> os) {
    freshGame(n);
    for (auto [r, c] : xs) board.x[r] |= static_cast<RowMask>(1u << (n - 1 - c));
    for (auto [r, c] : os) board.o[r] |= static_cast<RowMask>(1u << (n - 1 - c));
    return hashBoard();
}

TEST(BitrowHistory, WideBoardsKeepTheKeysOverlapsAndLosses) {
    if (rowLimit >= 16) {
        // From N = 16 on, X's row shifted by 15 overlaps O's row in one bit: X in column N
        // and O in column 1 of the same row cancel out.
        EXPECT_EQ(keyWith(16, {{3, 15}}, {{3, 0}}), keyWith(16, {}, {}));
        EXPECT_NE(keyWith(15, {{3, 14}}, {{3, 0}}), keyWith(15, {}, {}));
    }
    if (rowLimit == 20) {
        // For N of 18 to 20 the leftmost N - 17 columns of X fall out of the key.
        for (int n = 17; n <= 20; n++) {
            for (int c = 0; c < 4; c++) {
                const bool lost = c < n - 17;
                EXPECT_EQ(
                    keyWith(n, {{5, c}, {9, 10}}, {{2, 2}}) == keyWith(n, {{9, 10}}, {{2, 2}}),
                    lost)
                    << "N=" << n << " column " << c + 1;
            }
        }
        // Such positions count as repetitions of each other (same side to move: records 1, 3).
        freshGame(18);
        board.x[9] = static_cast<RowMask>(1u << 7);
        ASSERT_EQ(pushHist(), PushResult::pushed);
        board.o[0] = 1;
        ASSERT_EQ(pushHist(), PushResult::pushed);
        board.o[0] = 0;
        board.x[7] = static_cast<RowMask>(1u << 17);
        EXPECT_EQ(pushHist(), PushResult::refused);
    }
}

}  // namespace

namespace {

TEST(BitrowHistory, IncrementalKeyEqualsTheFullHashAfterEveryKindOfMove) {
    std::mt19937 rng(123);
    for (int n = 1; n <= rowLimit; n++) {
        freshGame(n);
        for (int ply = 0; ply < 300; ply++) {
            const int i = std::uniform_int_distribution<int>(0, 4 * n - 1)(rng);
            const LineCounts parent = countLines();
            applyMove(asMove(i), moverRows(), opponentRows(), true);
            LineCounts counts;
            ASSERT_EQ(countMove<true>(i, parent, counts), hashBoard())
                << "N=" << n << " " << moveName(asMove(i));
            if (pushHist() == PushResult::refused) restoreBoard();
            if (history.histCount > 200) {
                freshGame(n);
            }
        }
    }
}

}  // namespace
