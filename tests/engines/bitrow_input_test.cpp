// The game record as the player reads it: the size line, the move lines and their bad
// forms, records that repeat a position or do not fit the history.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <vector>

#include "tests/engines/bitrow_util.h"
#include "tests/fresh_record.h"

using namespace testutil;

namespace {

int sizeOf(const std::string& text) {
    std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (!f) f = std::fopen("/dev/null", "r");  // an empty text
    const int n = readSize(f);
    std::fclose(f);
    return n;
}

// Plays the moves on the model and on a fresh engine and checks the engine read exactly
// them from the text: the same count and the same cells.
void expectReads(int n, const std::string& lines, const std::vector<std::string>& names) {
    SCOPED_TRACE(testing::Message() << "N=" << n << " text '" << lines << "'");
    freshGame(n);
    ASSERT_EQ(replayText(lines), Replay::Ok);
    ASSERT_EQ(history.histCount - 1, static_cast<int>(names.size()));
    model::Game game(n);
    for (const std::string& name : names) game.play(*model::parseMove(name, n));
    EXPECT_EQ(toModel(), game.board());
}

}  // namespace

TEST(BitrowInput, SizeLineReadsLikeStrtolClampedToInt) {
    EXPECT_EQ(sizeOf(""), 0);  // no line
    EXPECT_EQ(sizeOf("\n"), 0);
    EXPECT_EQ(sizeOf("six\n"), 0);  // no digits
    EXPECT_EQ(sizeOf("6\n"), 6);
    EXPECT_EQ(sizeOf("  +7 boards\n"), 7);
    EXPECT_EQ(sizeOf("6\r\n"), 6);
    EXPECT_EQ(sizeOf("-4\n"), -4);
    EXPECT_EQ(sizeOf("21"), 21);
    EXPECT_EQ(sizeOf("99999999999999999999\n"), INT_MAX);
    EXPECT_EQ(sizeOf("-99999999999999999999\n"), INT_MIN);
    EXPECT_EQ(sizeOf(std::string("\0"
                                 "6\n",
                                 3)),
              0);                                            // a NUL ends the number
    EXPECT_EQ(sizeOf(std::string(96, ' ') + "12345\n"), 1);  // only 97 characters are read
}

TEST(BitrowInput, MoveLinesAndTheirBadForms) {
    const int n = rowLimit < 6 ? rowLimit : 6;
    expectReads(n, "L1\nR2\nT3\nB4\n", {"L1", "R2", "T3", "B4"});
    expectReads(n, "L05\nR6\n", {"L5", "R6"});  // two digits: the rest is not looked at
    expectReads(n, "L5", {});                   // one digit needs the line end
    expectReads(n, "L1\r\nR2\n", {});           // CRLF ends the record at a one-digit move
    expectReads(n, "l1\nL1\n", {});             // lower case
    expectReads(n, " L1\n", {});                // leading blank
    expectReads(n, "L5x\n", {});
    expectReads(n, "L1\nL0\nR2\n", {"L1"});  // 0 is no row
    expectReads(n, "L1\nR7\nR2\n", {"L1"});  // past N: not another side's move
    expectReads(n, "L1\nT99\n", {"L1"});
    expectReads(n, "L1\nQ2\n", {"L1"});
    expectReads(n,
                std::string("L1\nL\0"
                            "2\nR2\n",
                            9),
                {"L1"});  // NUL bytes
    expectReads(n, std::string("L1\0\nR2\n", 7), {});
    // A line longer than 97 characters is read in pieces: the rest is the next line.
    expectReads(n, "L05" + std::string(94, 'x') + "R2\nT1\n", {"L5", "R2", "T1"});
    expectReads(n, "L1" + std::string(95, 'x') + "R2\n", {});
    if (rowLimit >= 12) {
        expectReads(12, "L12\r\nT12", {"L12", "T12"});  // two digits, CR or no line end
        expectReads(12, "L12x\nL13\n", {"L12"});
    }
}

TEST(BitrowInput, RepeatedPositionsAndRecordsLongerThanTheHistory) {
    // L1 R1 L1 R1 on 1 x 1 boards: every push replaces the only piece.
    freshGame(1);
    EXPECT_EQ(replayText("L1\nR1\nL1\n"), Replay::Repetition);
    EXPECT_EQ(history.histCount, 3);  // the start and the first two moves; the third is not kept
    // Random records on small boards: refused exactly at the first move that recreates a
    // position of the model's game (same cells, same side to move), the moves before kept.
    std::mt19937 rng(5);
    for (int t = 0; t < 300; t++) {
        const int n = 2 + t % 2;
        const std::vector<model::Move> all = model::allMoves(n);
        std::string text;
        model::Game game(n);
        int firstRepeat = -1;
        for (int i = 0; i < 24; i++) {
            const model::Move m = all[rng() % all.size()];
            text += model::moveName(m) + "\n";
            if (game.play(m) == model::Outcome::Repetition && firstRepeat < 0) firstRepeat = i;
        }
        freshGame(n);
        const Replay r = replayText(text);
        SCOPED_TRACE(text);
        if (firstRepeat < 0) {
            EXPECT_EQ(r, Replay::Ok);
            EXPECT_EQ(history.histCount, 25);
        } else {
            EXPECT_EQ(r, Replay::Repetition);
            EXPECT_EQ(history.histCount, firstRepeat + 1);
        }
    }

    const int n = rowLimit;
    const std::string fits = testrecords::freshRecord(n, maxRecordMoves, 11);
    freshGame(n);
    EXPECT_EQ(replayText(fits), Replay::Ok);
    EXPECT_EQ(history.histCount - 1, maxRecordMoves);
    const std::string over = testrecords::freshRecord(n, maxRecordMoves + 1, 11);
    freshGame(n);
    EXPECT_EQ(replayText(over), Replay::TooLong);
    EXPECT_EQ(history.histCount - 1, maxRecordMoves);
    EXPECT_EQ(maxRecordMoves, 2962);
}

TEST(BitrowInput, KeysThatCollideAreLegalRecordsRepeatsAreNot) {
    for (int n = 16; n <= rowLimit; n++) {
        SCOPED_TRACE(n);
        // X in column N and O in column N - 15 of one row cancel in the key: the position
        // after R1 and T(N-15) has the key of the empty start, yet it is a new position.
        const std::string collide = "R1\nT" + std::to_string(n - 15) + "\n";
        freshGame(n);
        ASSERT_EQ(replayText(collide), Replay::Ok);
        ASSERT_EQ(history.histCount, 3);
        EXPECT_EQ(histStack[2].key, histStack[0].key);
        model::Game game(n);
        game.play(*model::parseMove("R1", n));
        game.play(*model::parseMove("T" + std::to_string(n - 15), n));
        EXPECT_EQ(toModel(), game.board());
        // Both records are in the chain, so the search still sees one key.
        int inChain = 0;
        for (const HistEntry* e = history.histBucket[histStack[0].key & (histBuckets - 1)]; e;
             e = e->link)
            inChain += e->key == histStack[0].key;
        EXPECT_EQ(inChain, 2);

        // L2 played by both sides alternately: once row 2 is full, two more pushes give the
        // same alternating row with the same side to move, a real repetition.
        std::string cycle;
        for (int i = 0; i < n + 2; i++) cycle += "L2\n";
        freshGame(n);
        EXPECT_EQ(replayText(collide + cycle), Replay::Repetition);
        EXPECT_EQ(history.histCount, 3 + n + 1);  // refused at the last L2
    }
}

TEST(BitrowInput, RecordsAreRefusedExactlyWhereAPositionRepeats) {
    // The records of the report, and random records checked against the model: refused
    // exactly at the first position that really repeats, whatever the keys do.
    const std::pair<int, const char*> reported[] = {
        {16, "R1\nT1\n"}, {18, "R1\nT3\n"}, {20, "R1\nT5\n"}, {18, "T1\nT3\nR1\n"}};
    for (const auto& [n, text] : reported) {
        if (n > rowLimit) continue;
        freshGame(n);
        EXPECT_EQ(replayText(text), Replay::Ok) << n << " " << text;
    }
    if (rowLimit < 16) return;
    std::mt19937 rng(16);
    int collisions = 0;
    for (int t = 0; t < 200; t++) {
        const int n = 16 + t % (rowLimit - 15);
        // Moves near the corners meet the overlapping and lost key bits most often.
        std::vector<model::Move> pool;
        for (char side : {'L', 'R', 'T', 'B'})
            for (int k : {1, 2, 3, 4, 5, n - 1, n})
                if (k >= 1) pool.push_back({side, k});
        std::string text;
        model::Game game(n);
        int firstRepeat = -1;
        for (int i = 0; i < 40; i++) {
            const model::Move m = pool[rng() % pool.size()];
            text += model::moveName(m) + "\n";
            if (game.play(m) == model::Outcome::Repetition && firstRepeat < 0) firstRepeat = i;
        }
        freshGame(n);
        const Replay r = replayText(text);
        SCOPED_TRACE(testing::Message() << "N=" << n << "\n" << text);
        if (firstRepeat < 0) {
            EXPECT_EQ(r, Replay::Ok);
            EXPECT_EQ(history.histCount, 41);
        } else {
            EXPECT_EQ(r, Replay::Repetition);
            EXPECT_EQ(history.histCount, firstRepeat + 1);
        }
        std::set<std::uint32_t> keys;
        for (int i = 0; i < history.histCount; i++) keys.insert(histStack[i].key);
        collisions += keys.size() < static_cast<std::size_t>(history.histCount);
    }
    EXPECT_GT(collisions, 0);  // the records did meet colliding keys
}
