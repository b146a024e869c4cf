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

// A random board of the given fill, with some lines wholly one side's so that straights,
// full columns and full rows (pushes that run through the line) occur often.
model::Board randomBoard(std::mt19937& rng, int n, int fillPercent) {
    model::Board m(n);
    std::uniform_int_distribution<int> percent(0, 99), coin(0, 3);
    for (int r = 0; r < n; r++)
        for (int c = 0; c < n; c++)
            if (percent(rng) < fillPercent)
                m.set(r, c, coin(rng) % 2 ? model::Piece::X : model::Piece::O);
    fillSomeLines(rng, m);
    return m;
}

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
            const model::Board m = randomBoard(rng, n, 20 + 25 * (t % 4));
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
            fromModel(randomBoard(rng, n, 10 + 30 * (t % 4)));
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

#if BITROW_BOARD_KEY
#include "bitrow/leaves8.h"
#include "bitrow/rowtable8.h"

namespace {

// Every row state of every N the table serves, pushed by either side from either edge: the
// entry equals the row of a one-row push on the cell model.
TEST(BitrowRowTable, EveryRowStateMatchesTheModel) {
    for (int n = 1; n <= rowtable::largestN; n++) {
        freshGame(n);
        rowtable::fill();
        ASSERT_EQ(rowtable::filledFor, n);
        const model::Piece pieces[2] = {model::Piece::X, model::Piece::O};
        int checked = 0;
        for (std::uint32_t x = 0; x < (1u << n); x++)
            for (std::uint32_t o = 0; o < (1u << n); o++) {
                if (x & o) continue;
                for (int side = 0; side < 2; side++)
                    for (int direction = 0; direction < 2; direction++) {
                        model::Board m(n);
                        for (int c = 0; c < n; c++) {
                            const std::uint32_t bit = 1u << (n - 1 - c);
                            if (x & bit) m.set(0, c, model::Piece::X);
                            if (o & bit) m.set(0, c, model::Piece::O);
                        }
                        m.push({direction == 0 ? 'L' : 'R', 1}, pieces[side]);
                        std::uint32_t x1 = 0, o1 = 0;
                        for (int c = 0; c < n; c++) {
                            const std::uint32_t bit = 1u << (n - 1 - c);
                            if (m.at(0, c) == model::Piece::X) x1 |= bit;
                            if (m.at(0, c) == model::Piece::O) o1 |= bit;
                        }
                        ASSERT_EQ(rowtable::entries[side][direction][(x << n) | o], (x1 << n) | o1)
                            << "N=" << n << " x=" << x << " o=" << o << " side " << side
                            << (direction ? " right" : " left");
                        checked++;
                    }
            }
        EXPECT_EQ(checked, 4 * static_cast<int>(std::pow(3, n)));  // 3^N rows of three states
    }
    // Larger boards are not tabled: the search pushes their rows itself.
    freshGame(8);
    rowtable::fill();
    EXPECT_NE(rowtable::filledFor, 8);
}

// What a reply of the leaf loop should give, from independent pieces: the refusal from the
// cell-by-cell push rules, the position from the cell model, a repetition when the model
// board with the same side to move is among the recorded ones, else the straights and E
// counted on the model.
std::int32_t expectedReply(int index, const std::vector<std::pair<model::Board, int>>& recorded,
                           bool* repeats = nullptr) {
    Board copy = board;
    RowMask* mover = histCount % 2 ? copy.x : copy.o;
    RowMask* opponent = histCount % 2 ? copy.o : copy.x;
    if (applyMovePlain(index, mover, opponent, 0) == 0) return noScore;
    const model::Piece me = histCount % 2 ? model::Piece::X : model::Piece::O;
    model::Board m = toModel();
    m.push(toModelMove(index), me);
    for (const auto& [b, count] : recorded)
        if (count % 2 != histCount % 2 && b == m) {
            if (repeats) *repeats = true;
            return lossScore;
        }
    const int mine = m.straights(me), theirs = m.straights(model::opponent(me));
    if (mine != theirs) return mine > theirs ? winScore : lossScore;
    return modelEval(m, me) - modelEval(m, model::opponent(me));
}

template <int side, bool tabled>
void checkReplies(std::mt19937& rng, const std::vector<std::pair<model::Board, int>>& recorded) {
    const int n = boardSize;
    const Board before = board;
    const int count = histCount;
    const leaves::Start s = leaves::startFrom(board, countLines());
    std::vector<std::int32_t> expected(4 * n);
    for (int i = 0; i < 4 * n; i++) {
        expected[i] = expectedReply(i, recorded);
        ASSERT_EQ((leaves::reply<side, tabled>(s, i)), expected[i])
            << "N=" << n << " " << moveName(i) << (tabled ? " tabled" : "") << " side " << side;
    }
    // The loop: the least negated value within the window, stopping below alpha, one call
    // counted per reply tried.
    std::uniform_int_distribution<int> bound(-60, 60);
    for (int t = 0; t < 6; t++) {
        std::int32_t alpha = bound(rng), beta = bound(rng);
        if (t == 0) alpha = -winScore - 1, beta = winScore + 1;
        if (alpha > beta) std::swap(alpha, beta);
        std::int32_t v = beta;
        std::uint64_t tried = 0;
        for (int i = 0; i < 4 * n; i++) {
            tried++;
            if (expected[i] != noScore && -expected[i] < v) {
                v = -expected[i];
                if (v < alpha) break;
            }
        }
        std::uint64_t calls = 0;
        ASSERT_EQ((leaves::replies<side, tabled>(s, alpha, beta, calls)), v)
            << "N=" << n << " window " << alpha << " " << beta;
        ASSERT_EQ(calls, tried);
    }
    ASSERT_EQ(std::memcmp(&board, &before, sizeof board), 0);
    ASSERT_EQ(histCount, count);
}

// The replies one ply above the leaves on random positions of every N, with X and with O to
// move, the row pushes both tabled and computed, and some replies that repeat a recorded
// position: every reply and the loop's result and count equal the independent values.
TEST(BitrowLeafReplies, EveryReplyMatchesTheModel) {
    std::mt19937 rng(13);
    int repetitions = 0, refusals = 0, decided = 0;
    for (int n = 1; n <= rowLimit; n++) {
        for (int t = 0; t < 40; t++) {
            freshGame(n);
            rowtable::fill();
            std::vector<std::pair<model::Board, int>> recorded{{toModel(), 1}};
            // Three moves of a game (after them no opening refusals apply).
            bool fine = true;
            for (int k = 0; k < 3 && fine; k++) {
                fine = playForced(std::uniform_int_distribution<int>(0, 4 * n - 1)(rng));
                recorded.push_back({toModel(), histCount});
            }
            if (!fine) continue;
            if (t % 2) {  // O to move
                fine = playForced(std::uniform_int_distribution<int>(0, 4 * n - 1)(rng));
                recorded.push_back({toModel(), histCount});
                if (!fine) continue;
            }
            const model::Board position = randomBoard(rng, n, 10 + 25 * (t % 4));
            if (t % 3 == 0) {
                // Reply j will recreate a record: the position after it, recorded just before
                // the position itself (the same side to move as after the reply).
                fromModel(position);
                const int j = std::uniform_int_distribution<int>(0, 4 * n - 1)(rng);
                applyMove(j, moverRows(), opponentRows(), 1);
                if (!pushHist()) continue;
                recorded.push_back({toModel(), histCount});
            }
            fromModel(position);
            if (!pushHist()) continue;
            recorded.push_back({toModel(), histCount});
            if (histCount % 2) {
                if (n <= rowtable::largestN) checkReplies<0, true>(rng, recorded);
                checkReplies<0, false>(rng, recorded);
            } else {
                if (n <= rowtable::largestN) checkReplies<1, true>(rng, recorded);
                checkReplies<1, false>(rng, recorded);
            }
            for (int i = 0; i < 4 * n; i++) {
                bool repeats = false;
                const std::int32_t e = expectedReply(i, recorded, &repeats);
                repetitions += repeats;
                refusals += e == noScore;
                decided += e == winScore;
            }
        }
    }
    // The cases were exercised.
    EXPECT_GT(refusals, 50);
    EXPECT_GT(decided, 20);
    EXPECT_GT(repetitions, 10);
}

}  // namespace
#endif
