// The counts a search node keeps (per side: pieces per column, E, straights) and the key it
// derives from its parent, against the full computations on every board size.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "bitrow/linecounts.h"
#include "tests/engines/bitrow_util.h"

using namespace testutil;

namespace {

// The counts of the board, taken cell by cell on the model.
void expectModelCounts(const LineCounts& c, const model::Board& m) {
    const int n = m.size();
    const model::Piece pieces[2] = {model::Piece::X, model::Piece::O};
    for (int s = 0; s < 2; s++) {
        EXPECT_EQ(c.side[s].score, modelEval(m, pieces[s])) << "side " << s;
        EXPECT_EQ(c.side[s].straights, m.straights(pieces[s])) << "side " << s;
        for (int col = 0; col < n; col++) {
            int k = 0;
            for (int r = 0; r < n; r++) k += m.at(r, col) == pieces[s];
            EXPECT_EQ(c.side[s].cols[n - 1 - col], k) << "side " << s << " column " << col;
        }
        for (int r = 0; r < n; r++) {
            int b = 0;
            for (int col = 0; col < n; col++) b += m.at(r, col) == pieces[s];
            EXPECT_EQ(c.side[s].rows[r], b) << "side " << s << " row " << r;
        }
    }
}

bool sameCounts(const LineCounts& a, const LineCounts& b, int n) {
    for (int s = 0; s < 2; s++) {
        if (a.side[s].score != b.side[s].score || a.side[s].straights != b.side[s].straights)
            return false;
        for (int k = 0; k < n; k++)
            if (a.side[s].cols[k] != b.side[s].cols[k] || a.side[s].rows[k] != b.side[s].rows[k])
                return false;
    }
    return true;
}

TEST(BitrowLineCounts, FullCountMatchesTheModel) {
    std::mt19937 rng(21);
    for (int n = 1; n <= rowLimit; n++) {
        freshGame(n);
        for (int t = 0; t < 30; t++) {
            const model::Board m = randomModelBoard(rng, n, 20 + 25 * (t % 4));
            fromModel(m);
            expectModelCounts(countLines(), m);
        }
    }
    // Hand-worked: on 5 x 5 a complete row of X scores 25 + 5 * 2 = 35 and is one straight;
    // adding an X below its first cell makes that column 2 and the new row 1: 35 + 1 + 4 = 40.
    freshGame(5);
    board.x[0] = 0x1f;
    LineCounts c = countLines();
    EXPECT_EQ(c.side[0].score, 35);
    EXPECT_EQ(c.side[0].straights, 1);
    board.x[1] = 0x10;
    c = countLines();
    EXPECT_EQ(c.side[0].score, 40);
    EXPECT_EQ(c.side[1].score, 0);
    EXPECT_EQ(c.side[1].straights, 0);
}

// Every move from random positions of every N, forced and unforced, with either side to
// move: the counts derived from the parent equal the full count of the new board, and give
// the installed evaluator's E, terminalScore and hashBoard's key.
TEST(BitrowLineCounts, EveryMoveAgreesWithTheFullComputation) {
    std::mt19937 rng(7);
    for (int n = 1; n <= rowLimit; n++) {
        for (int t = 0; t < 24; t++) {
            freshGame(n);
            fromModel(randomModelBoard(rng, n, 10 + 30 * (t % 4)));
            if (pushHist() == PushResult::refused) continue;  // the empty board again
            if (t % 2) {
                // One more recorded move, so that X is to move as often as O.
                if (!playForced(std::uniform_int_distribution<int>(0, 4 * n - 1)(rng))) continue;
            }
            const LineCounts parent = countLines();
            const Board before = board;
            for (int force = 0; force < 2; force++)
                for (int i = 0; i < 4 * n; i++) {
                    RowMask* mover = moverRows();
                    RowMask* opponent = opponentRows();
                    if (applyMove(asMove(i), mover, opponent, force) == PushResult::refused)
                        continue;
                    LineCounts c, scores;
                    const std::uint32_t key = countMove<true>(i, parent, c);
                    ASSERT_EQ(key, hashBoard()) << "N=" << n << " " << moveName(asMove(i));
                    const LineCounts full = countLines();
                    for (int s = 0; s < 2; s++) {
                        ASSERT_EQ(c.side[s].score, full.side[s].score);
                        ASSERT_EQ(c.side[s].straights, full.side[s].straights);
                    }
                    ASSERT_TRUE(sameCounts(c, full, n)) << "N=" << n << " " << moveName(asMove(i));
                    // Without keeping the per-line counts: the same key, scores, straights.
                    ASSERT_EQ(countMove<false>(i, parent, scores), key);
                    for (int s = 0; s < 2; s++) {
                        ASSERT_EQ(scores.side[s].score, c.side[s].score);
                        ASSERT_EQ(scores.side[s].straights, c.side[s].straights);
                    }
                    const int m = mover == board.x ? 0 : 1;
                    ASSERT_EQ(c.side[m].score, evaluate(mover));
                    ASSERT_EQ(c.side[1 - m].score, evaluate(opponent));
                    ASSERT_EQ(terminalFromCounts(c.side[m], c.side[1 - m]),
                              terminalScore(mover, opponent))
                        << "N=" << n << " " << moveName(asMove(i));
                    restoreBoard();
                    ASSERT_EQ(std::memcmp(&board, &before, sizeof board), 0);
                }
        }
    }
}

// Straights in both terminal directions, counted independently: more straights for the
// side that moved wins, fewer loses, equal numbers (none included) leave it open.
TEST(BitrowLineCounts, TerminalFromStraightCounts) {
    SideCounts a{}, b{};
    EXPECT_EQ(terminalFromCounts(a, b), 0);
    a.straights = 1;
    EXPECT_EQ(terminalFromCounts(a, b), winScore);
    EXPECT_EQ(terminalFromCounts(b, a), lossScore);
    b.straights = 1;
    EXPECT_EQ(terminalFromCounts(a, b), 0);
    a.straights = 2;
    EXPECT_EQ(terminalFromCounts(a, b), winScore);
    EXPECT_EQ(terminalFromCounts(b, a), lossScore);
}

}  // namespace
