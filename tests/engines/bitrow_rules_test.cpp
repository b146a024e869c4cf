// Push rules of the bit-row engine against the cell model, and the search-only refusals.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "tests/engines/bitrow_util.h"

using namespace testutil;

namespace {

// Random board of size n (set up with setSize) with roughly `fill` of the cells taken.
void randomBoard(std::mt19937& rng, double fill) {
    board = Board{};
    std::uniform_real_distribution<double> u(0, 1);
    for (int r = 0; r < sizes.boardSize; r++)
        for (int c = 0; c < sizes.boardSize; c++) {
            const double x = u(rng);
            const RowMask bit = static_cast<RowMask>(1u << (sizes.boardSize - 1 - c));
            if (x < fill / 2)
                board.x[r] |= bit;
            else if (x < fill)
                board.o[r] |= bit;
        }
}

// The result applyMove must give, from the model before the push: pushedThrough when a row
// push meets a full row, or a column push runs through the whole column.
PushResult expectedResult(const model::Board& m, model::Move mv) {
    const int n = m.size();
    int firstEmpty = -1;
    for (int i = 0; i < n && firstEmpty < 0; i++) {
        int r = 0, c = 0;
        switch (mv.side) {
            case 'L':
                r = mv.line - 1, c = i;
                break;
            case 'R':
                r = mv.line - 1, c = n - 1 - i;
                break;
            case 'T':
                r = i, c = mv.line - 1;
                break;
            default:
                r = n - 1 - i, c = mv.line - 1;
                break;
        }
        if (m.at(r, c) == model::Piece::None) firstEmpty = i;
    }
    const PushResult through = PushResult::pushedThrough, inside = PushResult::pushed;
    if (mv.side == 'L' || mv.side == 'R') return firstEmpty < 0 ? through : inside;
    return firstEmpty < 0 || firstEmpty == n - 1 ? through : inside;
}

bool unusedBitsClear() {
    for (int r = 0; r < rowLimit; r++) {
        if (r >= sizes.boardSize && (board.x[r] || board.o[r])) return false;
        if ((board.x[r] | board.o[r]) & ~sizes.fullMask) return false;
        if (board.x[r] & board.o[r]) return false;
    }
    return true;
}

TEST(BitrowRules, ForcedPushesMatchTheModelForEverySize) {
    std::mt19937 rng(12345);
    for (int n = 1; n <= rowLimit; n++) {
        for (int game = 0; game < 6; game++) {
            freshGame(n);
            model::Board m(n);
            model::Piece who = model::Piece::X;
            for (int ply = 0; ply < 12 * n; ply++) {
                const int index = std::uniform_int_distribution<int>(0, 4 * n - 1)(rng);
                const model::Move mv = toModelMove(index);
                const PushResult expected = expectedResult(m, mv);
                RowMask* mine = who == model::Piece::X ? board.x : board.o;
                RowMask* theirs = who == model::Piece::X ? board.o : board.x;
                ASSERT_EQ(applyMove(asMove(index), mine, theirs, true), expected)
                    << "N=" << n << " " << moveName(asMove(index));
                m.push(mv, who);
                ASSERT_EQ(toModel(), m) << "N=" << n << " after " << moveName(asMove(index));
                ASSERT_TRUE(unusedBitsClear());
                who = model::opponent(who);
            }
        }
    }
}

TEST(BitrowRules, MoveIndicesFollowTheNotation) {
    for (int n : {1, 2, 5, rowLimit}) {
        freshGame(n);
        for (int i = 0; i < 4 * n; i++) {
            const std::string name = moveName(asMove(i));
            const char side = "LRTB"[i / n];
            ASSERT_EQ(name[0], side);
            const int k = std::stoi(name.substr(1));
            // L and R count up with the index, T and B count down.
            const int expected = side == 'L' || side == 'R' ? i % n + 1 : n - i % n;
            ASSERT_EQ(k, expected) << i;
        }
    }
}

// Unforced result for the side to move, leaving the board as it was.
PushResult tryUnforced(int index, Board* after = nullptr) {
    const Board before = board;
    const PushResult r = applyMove(asMove(index), moverRows(), opponentRows(), false);
    if (after) *after = board;
    if (r == PushResult::refused) {
        EXPECT_EQ(std::memcmp(&before, &board, sizeof board), 0) << "refusal changed the board";
    }
    board = before;
    return r;
}

TEST(BitrowRules, FirstMoveKeepsOnlyTheUpperHalfOfTheLeftPushes) {
    for (int n = 1; n <= rowLimit; n++) {
        freshGame(n);
        for (int i = 0; i < 4 * n; i++) {
            const bool allowed = i < n && 2 * i < n;  // L1 .. L ceil(N/2)
            EXPECT_EQ(tryUnforced(i) != PushResult::refused, allowed)
                << "N=" << n << " " << moveName(asMove(i));
        }
    }
}

TEST(BitrowRules, SecondAndThirdMoveColumnRefusalsAroundCorners) {
    const int n = rowLimit < 6 ? rowLimit : 6;
    freshGame(n);
    ASSERT_TRUE(playForced(0));  // X L1: top-left corner
    for (int i = 0; i < 4 * n; i++) {
        const bool column = i >= 2 * n;
        EXPECT_EQ(tryUnforced(i) == PushResult::refused, column) << moveName(asMove(i));
    }
    // X on a non-corner cell: column pushes are judged by the duplicate rule alone, so a
    // push into a middle column from the top is performed.
    freshGame(n);
    ASSERT_TRUE(playForced(1));                              // X L2
    EXPECT_NE(tryUnforced(3 * n - 3), PushResult::refused);  // T3
    // Third move: X top-left, O bottom-right: diagonal corners refuse every column push.
    freshGame(n);
    ASSERT_TRUE(playForced(0));          // X L1
    ASSERT_TRUE(playForced(2 * n - 1));  // O R6
    for (int i = 2 * n; i < 4 * n; i++)
        EXPECT_EQ(tryUnforced(i), PushResult::refused) << moveName(asMove(i));
    // X top-left, O top-right: both corners in one row, the bottom row empty: T3 stays.
    freshGame(n);
    ASSERT_TRUE(playForced(0));  // X L1
    ASSERT_TRUE(playForced(n));  // O R1
    EXPECT_NE(tryUnforced(3 * n - 3), PushResult::refused);
    // From the fourth move on there are no opening refusals.
    freshGame(n);
    for (int i : {0, 2 * n - 1, n}) ASSERT_TRUE(playForced(i));
    EXPECT_NE(tryUnforced(3 * n - 3), PushResult::refused);  // T3 into an empty middle column
}

TEST(BitrowRules, DuplicateRefusalCases) {
    const int n = rowLimit < 6 ? rowLimit : 6;
    freshGame(n);
    history.histCount = 5;  // past the opening refusals, X to move
    // T1 into an empty top-left cell gives the position of L1.
    EXPECT_EQ(tryUnforced(3 * n - 1), PushResult::refused);
    // Column N full of the mover: TN is refused; column 3 full of the mover: T3 performed,
    // and it changes nothing.
    for (int r = 0; r < n; r++) board.x[r] = static_cast<RowMask>(1 | (1u << (n - 3)));
    EXPECT_EQ(tryUnforced(2 * n), PushResult::refused);
    Board after;
    EXPECT_EQ(tryUnforced(3 * n - 3, &after), PushResult::pushedThrough);
    EXPECT_EQ(std::memcmp(&after, &board, sizeof board), 0);
    // A column that starts with an opponent's piece is never refused.
    board = Board{};
    board.o[0] = static_cast<RowMask>(sizes.topBit);
    EXPECT_NE(tryUnforced(3 * n - 1), PushResult::refused);
    board.o[0] = 1;
    EXPECT_NE(tryUnforced(2 * n), PushResult::refused);
}

TEST(BitrowRules, RefusedColumnPushesLoseNoPosition) {
    // From the fourth move on, every position an unforced-refused push would reach is
    // reached by some accepted move too, unless the push changes nothing at all.
    std::mt19937 rng(777);
    int refusals = 0;
    for (int n = 2; n <= rowLimit; n++) {
        setSize(n);
        for (int trial = 0; trial < 300; trial++) {
            randomBoard(rng, std::uniform_real_distribution<double>(0.1, 0.9)(rng));
            history.histCount = 4 + trial % 2;
            std::vector<Board> reached;
            std::vector<int> refused;
            for (int i = 0; i < 4 * n; i++) {
                Board after;
                if (tryUnforced(i, &after) != PushResult::refused)
                    reached.push_back(after);
                else
                    refused.push_back(i);
            }
            for (int i : refused) {
                const Board before = board;
                applyMove(asMove(i), moverRows(), opponentRows(), true);
                const Board forced = board;
                board = before;
                if (std::memcmp(&forced, &before, sizeof forced) == 0) continue;
                bool found = false;
                for (const Board& b : reached)
                    found = found || std::memcmp(&b, &forced, sizeof b) == 0;
                EXPECT_TRUE(found)
                    << "N=" << n << " " << moveName(asMove(i)) << " loses a position";
                refusals++;
            }
        }
    }
    EXPECT_GT(refusals, 1000);  // the property was exercised
}

}  // namespace

namespace {

TEST(BitrowRules, LinePushesAgreeWithTheCellByCellRules) {
    std::mt19937 rng(2718);
    for (int n = 1; n <= rowLimit; n++) {
        setSize(n);
        for (int trial = 0; trial < 400; trial++) {
            randomBoard(rng, std::uniform_real_distribution<double>(0, 1)(rng));
            history.histCount = 1 + trial % 6;
            const bool force = trial % 5 == 0;
            const Board start = board;
            for (int i = 0; i < 4 * n; i++) {
                board = start;
                const PushResult fast = applyMove(asMove(i), moverRows(), opponentRows(), force);
                const Board fastBoard = board;
                board = start;
                const PushResult plain =
                    applyMovePlain(asMove(i), moverRows(), opponentRows(), force);
                ASSERT_EQ(fast, plain) << "N=" << n << " " << moveName(asMove(i));
                ASSERT_EQ(std::memcmp(&fastBoard, &board, sizeof board), 0) << moveName(asMove(i));
            }
        }
    }
}

}  // namespace
