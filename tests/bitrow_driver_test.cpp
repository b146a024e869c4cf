// The game-record reader of the bit-row driver: size line, move lines, replay limits.
#include <gtest/gtest.h>

#include "tests/bitrow_util.h"

using namespace testutil;

namespace {

int readSizeOf(const std::string& text) {
    std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    const int n = readSize(f);
    std::fclose(f);
    return n;
}

// MoveIndex values that readMove returns, line after line, up to the first -1.
std::vector<int> readAll(const std::string& text) {
    std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    std::vector<int> out;
    for (int i; !std::feof(f) && (i = readMove(f)) >= 0;) out.push_back(i);
    std::fclose(f);
    return out;
}

TEST(BitrowDriver, SizeLineParsesLikeStrtolAndClamps) {
    EXPECT_EQ(readSizeOf("6\n"), 6);
    EXPECT_EQ(readSizeOf("   6 apples\n"), 6);
    EXPECT_EQ(readSizeOf("+6"), 6);
    EXPECT_EQ(readSizeOf("6\r\n"), 6);
    EXPECT_EQ(readSizeOf("-3\n"), -3);
    EXPECT_EQ(readSizeOf("six\n"), 0);
    EXPECT_EQ(readSizeOf("\n6\n"), 0);
    // Huge numbers clamp instead of wrapping onto a small size: 2^32 + 6 is not 6.
    EXPECT_EQ(readSizeOf("4294967302\n"), INT_MAX);
    EXPECT_EQ(readSizeOf("-99999999999999999999\n"), INT_MIN);
}

TEST(BitrowDriver, MoveLinesFollowTheNotationAndEndTheRecordOnAnythingElse) {
    const int n = rowLimit < 6 ? rowLimit : 6;
    freshGame(n);
    const int L1 = 0, L5 = 4, R2 = n + 1, T1 = 3 * n - 1, B6 = 3 * n;
    EXPECT_EQ(readAll("L1\nR2\nT1\nB6\n"), (std::vector<int>{L1, R2, T1, B6}));
    EXPECT_EQ(readAll("L05\nL5x\nL1\n"), (std::vector<int>{L5}));  // L5x is unreadable
    EXPECT_EQ(readAll("L1\r\nL2\n"), std::vector<int>{});          // CR after one digit
    EXPECT_EQ(readAll("L1\nT1"), std::vector<int>{L1});            // one digit, no newline
    EXPECT_EQ(readAll("L1\nT01"), (std::vector<int>{L1, T1}));     // two digits, no newline
    for (const char* bad : {"l1\n", " L1\n", "L\n", "X1\n", "\n", "L0\n", "R0\n", "T0\n", "L00\n"})
        EXPECT_EQ(readAll(std::string(bad) + "L1\n"), std::vector<int>{}) << bad;
    // Numbers past N never alias another side or run past the last index.
    EXPECT_EQ(readAll("L" + std::to_string(n + 1) + "\n"), std::vector<int>{});
    EXPECT_EQ(readAll("T" + std::to_string(n + 1) + "\n"), std::vector<int>{});
    EXPECT_EQ(readAll("B99\n"), std::vector<int>{});
    // A line longer than 97 characters: its rest is read as the next line.
    EXPECT_EQ(readAll("L1" + std::string(95, 'x') + "L2\nL3\n"), std::vector<int>{});
    EXPECT_EQ(readAll("L11" + std::string(94, 'x') + "L2\n"),
              n >= 11 ? (std::vector<int>{10, 1}) : std::vector<int>{});
    if (rowLimit >= 12) {
        freshGame(12);
        EXPECT_EQ(readAll("L12x\nT12\n"), (std::vector<int>{11, 24}));
    }
}

// A random record of `moves` moves that never repeats a position.
std::string longRecord(int moves, std::mt19937& rng) {
    model::Game g(boardSize);
    std::string text;
    while (g.plies() < moves) {
        const auto all = model::allMoves(boardSize);
        const model::Move m = all[std::uniform_int_distribution<size_t>(0, all.size() - 1)(rng)];
        model::Game next = g;
        if (next.play(m) == model::Outcome::Repetition) continue;
        g = next;
        text += model::moveName(m) + "\n";
    }
    return text;
}

TEST(BitrowDriver, ReplayRefusesRepetitionsAndRecordsLongerThanTheHistoryAllows) {
    freshGame(3);
    EXPECT_EQ(replayText("T2\nB2\nT2\nT2\nT2\nT2\n"), Replay::Ok);
    EXPECT_EQ(histCount, 7);
    EXPECT_EQ(replayText("T2\n"), Replay::Repetition);  // X O X with O to move again

    // At most 16 columns, so that every cell counts in the key.
    const int n = rowLimit < 16 ? rowLimit : 16;
    std::mt19937 rng(3);
    freshGame(n);
    const std::string record = longRecord(maxRecordMoves + 1, rng);
    const size_t cut = [&] {
        size_t pos = 0;
        for (int i = 0; i < maxRecordMoves; i++) pos = record.find('\n', pos) + 1;
        return pos;
    }();
    ASSERT_EQ(replayText(record.substr(0, cut)), Replay::Ok);
    EXPECT_EQ(histCount, maxRecordMoves + 1);
    // 2962 moves leave room for the deepest search line; one more is refused.
    freshGame(n);
    EXPECT_EQ(replayText(record), Replay::TooLong);
    EXPECT_EQ(histCount, maxRecordMoves + 1);
    EXPECT_EQ(maxRecordMoves, 2962);
}

}  // namespace
