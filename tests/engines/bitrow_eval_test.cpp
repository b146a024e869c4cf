// Evaluators and the terminal test against counts taken on the cell model.
#include <gtest/gtest.h>

#include "tests/engines/bitrow_util.h"

using namespace testutil;

namespace {

// A random board with some lines filled wholly by one side, so straights occur often.
model::Board randomModel(std::mt19937& rng, int n) {
    model::Board m(n);
    std::uniform_int_distribution<int> cell(0, 2);
    for (int r = 0; r < n; r++)
        for (int c = 0; c < n; c++) m.set(r, c, static_cast<model::Piece>(cell(rng)));
    fillSomeLines(rng, m);
    return m;
}

TEST(BitrowEval, EveryEvaluatorMatchesTheModelCount) {
    std::mt19937 rng(4);
    for (int n = 1; n <= rowLimit; n++) {
        freshGame(n);
        for (int t = 0; t < 200; t++) {
            const model::Board m = randomModel(rng, n);
            fromModel(m);
            for (const RowMask* rows : {board.x, board.o}) {
                const int expected =
                    modelEval(m, rows == board.x ? model::Piece::X : model::Piece::O);
                ASSERT_EQ(evaluatorFor(n)(rows), expected) << "N=" << n;
                ASSERT_EQ(evaluateWide(rows), expected);
                if (n <= 8) {
                    ASSERT_EQ(evaluate8(rows), expected);
                }
                if (n <= 5) {
                    ASSERT_EQ(evaluate5(rows), expected);
                }
                if (n <= 4) {
                    ASSERT_EQ(evaluate4(rows), expected);
                }
            }
        }
    }
}

TEST(BitrowEval, ChoiceBySizeAndHandWorkedValues) {
    EXPECT_EQ(evaluatorFor(1), evaluate4);
    EXPECT_EQ(evaluatorFor(4), evaluate4);
    EXPECT_EQ(evaluatorFor(5), evaluate5);
    EXPECT_EQ(evaluatorFor(6), evaluate8);
    EXPECT_EQ(evaluatorFor(8), evaluate8);
    EXPECT_EQ(evaluatorFor(9), evaluateWide);
    if (rowLimit < 5) return;
    freshGame(5);
    EXPECT_EQ(evaluate(board.x), 0);
    board.x[2] = 0b00100;
    EXPECT_EQ(evaluate(board.x), 3);
    board.x[2] = 0b11111;  // a full row: 25 + 5 x (1 + 1)
    EXPECT_EQ(evaluate(board.x), 35);
    board = Board{};
    for (int r = 0; r < 5; r++) board.x[r] = 0b01000;  // a full column: 5 + 25 + 5
    EXPECT_EQ(evaluate(board.x), 35);
}

TEST(BitrowTerminal, StraightCountsDecideAsTheModelSays) {
    std::mt19937 rng(8);
    int decided = 0, tiedWithStraights = 0;
    for (int n = 1; n <= rowLimit; n++) {
        freshGame(n);
        for (int t = 0; t < 300; t++) {
            const model::Board m = randomModel(rng, n);
            fromModel(m);
            const int x = m.straights(model::Piece::X), o = m.straights(model::Piece::O);
            const std::int32_t expected = x > o ? winScore : x < o ? lossScore : 0;
            ASSERT_EQ(terminalScore(board.x, board.o), expected) << "N=" << n;
            ASSERT_EQ(terminalScore(board.o, board.x), -expected);
            decided += expected != 0;
            tiedWithStraights += expected == 0 && x > 0;
        }
    }
    EXPECT_GT(decided, 100);
    EXPECT_GT(tiedWithStraights, 10);
}

TEST(BitrowTerminal, FullRowAtTheBuildsWidestSizeDoesNotWrap) {
    freshGame(rowLimit);
    board.x[rowLimit - 1] = static_cast<RowMask>(sizes.fullMask);
    EXPECT_EQ(terminalScore(board.x, board.o), winScore);
    EXPECT_EQ(terminalScore(board.o, board.x), lossScore);
}

}  // namespace
