// Runs the built pusher program for this size on whole turns: input cases, the time limit,
// the side to move, and short games.
#include <regex>

#include "byteboard_testing.h"
#include "referee/players/process.h"

namespace {

struct Outcome {
    std::string out, err;
    int status = -1;  // exit status, or -1 when the program did not exit normally
    double seconds = 0;
};

Outcome run(std::vector<std::string> args, const std::string& input, double deadline = 60) {
    referee::RunRequest req;
    req.argv = {PUSHER};
    req.argv.insert(req.argv.end(), args.begin(), args.end());
    req.input = input;
    req.deadline = deadline;
    const referee::RunResult result = referee::runProcess(req);
    Outcome r;
    r.out = result.out;
    r.err = result.err;
    if (result.end == referee::RunResult::End::Exited) r.status = result.status;
    r.seconds = result.answerSeconds;
    return r;
}

bool legal(const std::string& out) {
    return std::regex_match(out, std::regex("[TRBL][1-" + std::to_string(N) + "]\n"));
}

// Answer of the library for player in the current record, with the depth limit given;
// forced tells whether a forced win ended the search.
std::string libraryanswer(int32_t player, int32_t depth, bool* forced) {
    static bool win;
    win = false;
    deepening.observer = [](const iteration& it) { win = it.forcedwin; };
    deepening.maxdepth = depth;
    int32_t start = history.hno;
    computemove(&deepening.bestdir, &deepening.bestpos, player);
    deepening.observer = nullptr;
    deepening.maxdepth = lastdepth;
    history.hno = start;
    *forced = win;
    char buf[answerbytes];
    return std::string(buf, formatanswer(deepening.bestdir, deepening.bestpos, buf));
}

BBTEST(Program, AnswersWithinTheTimeLimit) {
    for (const char* limit : {"1", "-5"}) {  // a negative limit is one second
        Outcome r = run({limit}, "");
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(legal(r.out)) << r.out;
        EXPECT_EQ(r.err, "");
        EXPECT_GE(r.seconds, 0.9) << limit;
        EXPECT_LT(r.seconds, 1.8) << limit;
    }
}

BBTEST(Program, InputCases) {
    // A blank first line: the line end is read as the side letter and Q as the number, so the
    // reading stops before Q4 is seen.
    Outcome r = run({"1"}, "\nQ4\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(legal(r.out)) << r.out;
    // Blank lines and spaces between moves are skipped: Q4 is reached.
    r = run({"1"}, "L1\n\n  \n R2\n\nQ4\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "huh 'Q'\n");
    r = run({"1"}, "b3\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "huh 'b'\n");
    // A position off the board ends the reading like a malformed line.
    r = run({"1"}, "L1\nT" + std::to_string(N + 1) + "\nQ4\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(legal(r.out)) << r.out;
    EXPECT_EQ(r.err, "");
}

BBTEST(Program, TheMoveCountDecidesTheSideToMove) {
    // Random games in which the side to move has a forced win found in the first iteration
    // and the other side would answer differently: the program must give the library's
    // answer for the side given by the parity of the move count, before its limit.
    std::mt19937 rng(555 + N);
    auto all = generationorder();
    int checked[2] = {0, 0};
    for (int attempt = 0; attempt < 400 && (checked[0] < 2 || checked[1] < 2); attempt++) {
        int k = 20 + static_cast<int>(rng() % 40);
        if (checked[k % 2] >= 2) continue;
        fresh();
        std::string text;
        for (int i = 0; i < k; i++) {
            auto [side, pos] = all[rng() % all.size()];
            domove(side, pos, i % 2 ? 2 : 1);
            text += std::string(1, side) + std::to_string(pos + 1) + (i % 4 ? "\n" : " \n\n");
        }
        int32_t player = k % 2 ? 2 : 1;
        if (current().xstraights != current().ostraights) continue;  // keep to open games
        bool forced = false, otherforced = false;
        std::string want = libraryanswer(player, 3, &forced);
        if (!forced) continue;
        std::string other = libraryanswer(3 - player, 3, &otherforced);
        if (other == want) continue;
        checked[k % 2]++;
        for (const char* limit : {"5", "0", "x"}) {  // 0 and no digits: no alarm at all
            Outcome r = run({limit}, text);
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(r.out, want) << "k " << k << " limit " << limit;
            EXPECT_LT(r.seconds, 4.0);
        }
    }
    EXPECT_EQ(checked[0], 2);
    EXPECT_EQ(checked[1], 2);
}

// -h, --help and --version alone make the program say what it is, at once and without
// reading its input. Any other command line keeps the time limit's meaning exactly.
BBTEST(Program, HelpAndVersionOnlyAsTheOnlyArgument) {
    const std::string name = "pusher" + std::to_string(N);
    for (const char* ask : {"-h", "--help"}) {
        // Were the word read as a time limit (no digits: no alarm), the program would search
        // the empty board without end and be killed at the deadline.
        Outcome r = run({ask}, "", 5);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind("Usage: " + name + " [SECONDS] < MOVES\n", 0), 0u) << r.out;
        for (const char* part : {"\nInput:\n", "28 without an argument", "depth 999",
                                 "\nExit status:\n  0   the move was written\n"})
            EXPECT_NE(r.out.find(part), std::string::npos) << part;
        EXPECT_EQ(r.err, "");
    }
    Outcome v = run({"--version"}, "", 5);
    EXPECT_EQ(v.status, 0);
    EXPECT_TRUE(std::regex_match(
        v.out, std::regex(name + " [0-9]+\\.[0-9]+\\.[0-9]+ \\(commit [^ ]+\\)\n")))
        << v.out;

    // X to move with N - 1 pieces in row 1: a win found in the first iteration. These
    // arguments are time limits without digits (or with more words after them), so no
    // alarm is armed, and the answer is the library's.
    fresh();
    std::string text;
    for (int i = 0; i < N - 1; i++) {
        domove('L', 0, 1);
        domove('L', 1, 2);
        text += "L1\nL2\n";
    }
    bool forced = false;
    const std::string want = libraryanswer(1, 3, &forced);
    ASSERT_TRUE(forced);
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--help", "5"},
                                               {"-h", "-h"},
                                               {"--version", "1"},
                                               {"-hx"},
                                               {"--HELP"},
                                               {"help"},
                                               {"--version=1"},
                                               {""}}) {
        Outcome r = run(args, text, 5);
        EXPECT_EQ(r.status, 0) << args[0];
        EXPECT_EQ(r.out, want) << args[0];
    }
}

BBTEST(Program, PlaysAShortGame) {
    model::Game game(N);
    std::string text;
    for (int ply = 0; ply < 4; ply++) {
        Outcome r = run({"1"}, text);
        ASSERT_EQ(r.status, 0);
        ASSERT_TRUE(legal(r.out)) << r.out;
        EXPECT_LT(r.seconds, 1.8);
        auto move = model::parseMove(r.out.substr(0, r.out.size() - 1), N);
        ASSERT_TRUE(move);
        game.play(*move);
        text += r.out;
    }
    EXPECT_EQ(game.plies(), 4);
}

BBTEST(Program, NulBytesAndLongRecords) {
    // A NUL byte read as a side letter is refused like any other letter.
    Outcome r = run({"1"}, std::string("L1\n\0"
                                       "3\n",
                                       6));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("huh '\0'\n", 8));
    // Where a number is expected it ends the reading: the moves before it stand.
    r = run({"1"}, std::string("L1\nT\0"
                               "2\n",
                               7));
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(legal(r.out)) << r.out;
    // A record far longer than any game: the stack grows as needed and the limit holds.
    std::string text;
    for (int i = 0; i < 6000; i++) text += "L1\nR1\n";
    r = run({"1"}, text);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(legal(r.out)) << r.out;
    EXPECT_LT(r.seconds, 1.8);
}

#if BYTEBOARD_N == 7  // the long wait once, with pusher7
BBTEST(Program, DefaultTimeLimitIs28Seconds) {
    Outcome r = run({}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(legal(r.out)) << r.out;
    EXPECT_GE(r.seconds, 27.9);
    EXPECT_LT(r.seconds, 29.0);
}
#endif

}  // namespace
