// Runs the front bit-row program on whole turns whose input is refused before any search or
// whose position is decided at once (1 x 1 boards), so that every case takes a moment: the
// size line, bad move lines, the hand-over of too large boards, repeated positions and
// records longer than the history.
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "model/cell_model.h"
#include "referee/players/process.h"
#include "tests/fresh_record.h"

namespace {

struct Outcome {
    std::string out, err;
    int status = -1;  // exit status, or -1 when the program did not exit normally
};

// Runs shover8 with this standard input in a folder, by default its own (where support/ lies).
Outcome run(const std::string& input, const char* dir = PLAYER_DIR) {
    referee::RunRequest req;
    req.argv = {SHOVER8};
    req.dir = dir;
    req.input = input;
    req.deadline = 40;
    req.keep = 1 << 20;
    const referee::RunResult result = referee::runProcess(req);
    Outcome r;
    r.out = result.out;
    r.err = result.err;
    if (result.end == referee::RunResult::End::Exited) r.status = result.status;
    return r;
}

void expectRefused(const std::string& input, const std::string& message,
                   const char* dir = PLAYER_DIR) {
    SCOPED_TRACE(testing::Message() << "input '" << input.substr(0, 40) << "'");
    const Outcome r = run(input, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
}

void expectAnswer(const std::string& input, const std::string& answer) {
    SCOPED_TRACE(testing::Message() << "input '" << input.substr(0, 40) << "'");
    const Outcome r = run(input);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, answer + "\n");
    EXPECT_EQ(r.err, "");
}

// A record of `count` moves of size n, size line first, that never repeats a position.
std::string freshRecord(int n, int count, unsigned seed) {
    return std::to_string(n) + "\n" + testrecords::freshRecord(n, count, seed);
}

}  // namespace

TEST(BitrowProgram, SizeLinesWithoutAPlayableSize) {
    for (const char* input : {"", "\n", "six\nL1\n", "0\n", "-3\nL1\n", "-99999999999\n"})
        expectRefused(input, "N must be a positive number\n");
    // Above 20 the board is handed to the widest build, which has no wider one.
    for (const char* input : {"21\n", "99999999999999\nL1\n"})
        expectRefused(input, "N too large\n");
}

// On a 1 x 1 board X's L1 and O's L1 replace each other, and X's L1 after them recreates
// the position after the first move: so "1, L1, L1" plus one more line answers (O's L1
// wins at once) exactly when that line is not read, and is refused when it is.
TEST(BitrowProgram, MoveLinesThatEndTheRecord) {
    expectRefused("1\nL1\nL1\nL1\n", "the game repeats a position");
    for (const std::string& bad : std::vector<std::string>{
             "L1\r\n", "l1\n", " L1\n", "L0\n", "L2\n", "R0\n", "T99\n", "L1x\n", "L1",
             std::string("L\0"
                         "1\n",
                         4),
             std::string("L1\0\n", 4), "L1" + std::string(96, 'x')})
        expectAnswer("1\nL1\nL1\n" + bad, "L1");
    // A line longer than 97 characters goes on as the next line.
    expectRefused("1\nL1\nL1\nL01" + std::string(94, 'x') + "L1\n", "the game repeats a position");
    // The size line too: its remainder is the first move line.
    expectRefused("1" + std::string(96, ' ') + "L1\nL1\nL1\n", "the game repeats a position");
    // CRLF after a size line is harmless; two-digit moves are read before a CR.
    expectAnswer("1\r\n", "L1");
}

TEST(BitrowProgram, RecordsLongerThanTheHistoryAreRefused) {
    // 2962 moves fit; one more is refused before any search, also after a hand-over.
    for (int n : {8, 20}) {
        SCOPED_TRACE(n);
        expectRefused(freshRecord(n, 2963, 3), "game record too long\n");
    }
}
