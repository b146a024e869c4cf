// The analyser program: its iterations against the players' own code and answers, the
// limits, the bench signature and the errors.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "analyze_reference.h"
#include "referee/players/process.h"
#include "tests/read_file.h"

using analyze_test::RefIteration;

namespace {

std::string position(const std::string& name) {
    return slurp(std::string(BENCH_DIR) + "/positions/" + name);
}

// Without its size line: the input of a byte-board player.
std::string movesOnly(const std::string& record) {
    return record.substr(record.find('\n') + 1);
}

referee::RunResult run(std::vector<std::string> argv, const std::string& input,
                       double deadline = 120) {
    referee::RunRequest req;
    req.argv = std::move(argv);
    req.input = input;
    req.deadline = deadline;
    req.dir = PLAYER_DIR;
    req.keep = 1 << 20;
    return referee::runProcess(req);
}

referee::RunResult analyze(std::vector<std::string> args, const std::string& input,
                           double deadline = 120) {
    args.insert(args.begin(), ANALYZE);
    return run(args, input, deadline);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

struct Info {
    RefIteration it;
    long long ms = 0, nps = 0;
    std::string tail;
};

// Parses the info lines strictly; any other line but the closing bestmove fails the test.
std::vector<Info> infos(const std::string& out, std::string* best = nullptr) {
    static const std::regex info(
        "info depth (\\d+) score (-?\\d+) nodes (\\d+) time (\\d+) nps (\\d+) move "
        "([LRTB]\\d+)( win| partial)?");
    std::vector<Info> result;
    std::vector<std::string> ls = lines(out);
    EXPECT_FALSE(ls.empty());
    for (size_t i = 0; i < ls.size(); i++) {
        std::smatch m;
        if (i + 1 == ls.size()) {
            EXPECT_TRUE(std::regex_match(ls[i], m, std::regex("bestmove ([LRTB]\\d+)"))) << ls[i];
            if (best && m.size() > 1) *best = m[1];
            break;
        }
        if (!std::regex_match(ls[i], m, info)) {
            ADD_FAILURE() << "not an info line: " << ls[i];
            continue;
        }
        Info x;
        x.it = {std::stoi(m[1]), std::stoll(m[2]), std::stoull(m[3]), m[6], m[7] == " win"};
        x.ms = std::stoll(m[4]);
        x.nps = std::stoll(m[5]);
        x.tail = m[7];
        result.push_back(x);
    }
    return result;
}

void expectSame(const std::vector<Info>& got, const std::vector<RefIteration>& want,
                const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); i++) {
        EXPECT_EQ(got[i].it.depth, want[i].depth) << what;
        EXPECT_EQ(got[i].it.score, want[i].score) << what << " depth " << want[i].depth;
        EXPECT_EQ(got[i].it.nodes, want[i].nodes) << what << " depth " << want[i].depth;
        EXPECT_EQ(got[i].it.move, want[i].move) << what << " depth " << want[i].depth;
        EXPECT_EQ(got[i].it.forcedWin, want[i].forcedWin) << what;
    }
}

TEST(AnalyzeIterations, BitRowMatchesTheEnginesOwnDeepeningOnEveryWidth) {
    struct Case {
        const char* file;
        int depth;
    };
    for (Case c : {Case{"n04-mid.txt", 5}, Case{"n06-mid.txt", 4}, Case{"n08-mid.txt", 3},
                   Case{"n10-mid.txt", 3}, Case{"n20-mid.txt", 3}}) {
        const std::string record = position(c.file);
        const int n = std::stoi(record);
        std::vector<Info> previous;
        for (int width : {8, 16, 32}) {
            if ((width == 8 && n > 8) || (width == 16 && n > 16)) continue;
            const std::string what = std::string(c.file) + " width " + std::to_string(width);
            auto r = analyze({"--width", std::to_string(width), "--depth", std::to_string(c.depth)},
                             record);
            ASSERT_EQ(r.status, 0) << r.err;
            std::string best;
            std::vector<Info> got = infos(r.out, &best);
            expectSame(got, analyze_test::bitrowIterations(width, record, c.depth), what);
            ASSERT_FALSE(got.empty());
            EXPECT_EQ(best, got.back().it.move);
            // The widths differ in their masks only: the same iterations, node for node.
            if (!previous.empty()) {
                std::vector<RefIteration> before;
                for (const Info& i : previous) before.push_back(i.it);
                expectSame(got, before, what + " against the narrower build");
            }
            previous = got;
        }
    }
}

TEST(AnalyzeIterations, ByteBoardMatchesThePushersOwnSearch) {
    struct Case {
        const char* file;
        int depth;
    };
    for (Case c : {Case{"n06-15.txt", 6}, Case{"n06-40.txt", 5}, Case{"n07-17.txt", 6},
                   Case{"n07-40.txt", 5}}) {
        const std::string record = position(c.file);
        const int n = std::stoi(record);
        // The record read from a file this time.
        auto r = analyze({"--engine", "byteboard", "--depth", std::to_string(c.depth),
                          std::string(BENCH_DIR) + "/positions/" + c.file},
                         "");
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string moves = movesOnly(record);
        auto want = n == 6 ? analyze_test::pusherIterations6(moves, c.depth)
                           : analyze_test::pusherIterations7(moves, c.depth);
        std::string best;
        std::vector<Info> got = infos(r.out, &best);
        expectSame(got, want, c.file);
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(best, got.back().it.move);
    }
}

// Positions with a win at hand, where the players answer at once.
std::string rowsFilling(int n, int pairs) {
    std::string record = std::to_string(n) + "\n";
    for (int i = 0; i < pairs; i++) record += "L1\nL" + std::to_string(n) + "\n";
    return record;
}

// X fills row 2 from the right, O row N from the left; after X's T3, O completes row N.
std::string oWinsAtOnce(int n) {
    std::string record = std::to_string(n) + "\n";
    for (int i = 0; i < n - 1; i++) record += "R2\nL" + std::to_string(n) + "\n";
    return record + "T3\n";
}

TEST(AnalyzeAnswers, SameAsTheBitRowPlayerOnDecidedPositions) {
    for (int n : {4, 6, 8, 12, 18}) {
        // X has n - 1 pieces in row 1 and is to move: L1 completes the row.
        for (const std::string& record : {rowsFilling(n, n - 1), oWinsAtOnce(n)}) {
            auto player = run({PLAYER_DIR "/shover8"}, record, 60);
            ASSERT_EQ(player.status, 0) << player.err;
            ASSERT_LT(player.answerSeconds, 20) << "not a position the player answers at once";
            auto r = analyze({}, record);
            ASSERT_EQ(r.status, 0) << r.err;
            std::string best;
            std::vector<Info> got = infos(r.out, &best);
            EXPECT_EQ(best + "\n", player.out) << "N = " << n;
            ASSERT_FALSE(got.empty());
            EXPECT_GT(std::llabs(got.back().it.score), 9999999) << "decided";
        }
    }
}

TEST(AnalyzeAnswers, SameAsThePushersOnForcedWins) {
    for (int n : {6, 7}) {
        const std::string pusher = std::string(PLAYER_DIR) + "/pusher" + std::to_string(n);
        for (const std::string& record : {rowsFilling(n, n - 1), oWinsAtOnce(n)}) {
            // No time limit: the pusher answers only when its search finds the win.
            auto player = run({pusher, "0"}, movesOnly(record), 60);
            ASSERT_EQ(player.status, 0) << player.err;
            auto r = analyze({"--engine", "byteboard"}, record);
            ASSERT_EQ(r.status, 0) << r.err;
            std::string best;
            std::vector<Info> got = infos(r.out, &best);
            EXPECT_EQ(best + "\n", player.out) << "N = " << n;
            ASSERT_FALSE(got.empty());
            EXPECT_EQ(got.back().tail, " win");
            for (size_t i = 0; i + 1 < got.size(); i++) EXPECT_EQ(got[i].tail, "");
        }
    }
}

TEST(AnalyzeLimits, TimeEndsTheSearchWithTheLastIterationsMove) {
    for (auto [engine, file] :
         {std::pair{"bitrow", "n20-mid.txt"}, std::pair{"bitrow", "n06-mid.txt"},
          std::pair{"byteboard", "n07-17.txt"}}) {
        auto r = analyze({"--engine", engine, "--time", "0.6"}, position(file), 30);
        ASSERT_EQ(r.end, referee::RunResult::End::Exited);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_LT(r.answerSeconds, 5) << file;
        std::string best;
        std::vector<Info> got = infos(r.out, &best);
        ASSERT_FALSE(got.empty()) << r.out;
        EXPECT_EQ(best, got.back().it.move) << file;
        for (size_t i = 1; i < got.size(); i++) EXPECT_EQ(got[i].it.depth, got[i - 1].it.depth + 1);
        EXPECT_EQ(got.front().it.depth, 3);
    }
}

TEST(AnalyzeOutput, QuietIsOneMoveLineLikeAPlayer) {
    for (auto [engine, file] :
         {std::pair{"bitrow", "n06-mid.txt"}, std::pair{"byteboard", "n06-15.txt"},
          std::pair{"byteboard", "n07-17.txt"}}) {
        for (const char* limit : {"--time", "--depth"}) {
            auto r = analyze({"--engine", engine, "--quiet", "--board", limit,
                              limit == std::string("--time") ? "0.3" : "4"},
                             position(file), 30);
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_TRUE(std::regex_match(r.out, std::regex("[LRTB][1-7]\n"))) << r.out;
        }
    }
}

TEST(AnalyzeOutput, BoardShowsThePosition) {
    auto r = analyze({"--board", "--depth", "3"}, "4\nL1\nT4\nL1\nB1\n");
    ASSERT_EQ(r.status, 0) << r.err;
    // L1 twice: X X in row 1; T4 puts O at row 1 col 4; B1 an O at the bottom of column 1.
    // The referee's drawing, the last move's edge marked.
    const std::string board =
        "      1 2 3 4\n"
        "    +---------+\n"
        "  1 | X X . O |\n"
        "  2 | . . . . |\n"
        "  3 | . . . . |\n"
        "  4 | O . . . |\n"
        "    +-^-------+\n"
        "X to move; straights X 0, O 0\n";
    EXPECT_EQ(r.out.substr(0, board.size()), board);
    auto s = analyze({"--board", "--engine", "byteboard", "--depth", "3"}, rowsFilling(6, 6));
    ASSERT_EQ(s.status, 0) << s.err;
    EXPECT_NE(s.out.find("X to move; straights X 1, O 1\n"), std::string::npos) << s.out;
}

// The lines of bench/signature.txt: name, then node total.
std::map<std::string, std::string> benchSignature() {
    std::map<std::string, std::string> signature;
    std::istringstream sig(slurp(std::string(BENCH_DIR) + "/signature.txt"));
    for (std::string key, value; sig >> key;) {
        if (key[0] == '#') {
            std::getline(sig, value);
            continue;
        }
        sig >> signature[key];
    }
    return signature;
}

TEST(AnalyzeBench, ShortSuiteKeepsItsSignature) {
    std::map<std::string, std::string> signature = benchSignature();
    ASSERT_FALSE(signature["short"].empty());
    auto r = analyze({"bench", "--short"}, "", 300);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> ls = lines(r.out);
    ASSERT_GE(ls.size(), 2u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(ls.back(), m, std::regex("OVERALL: (\\d+) nodes (\\d+) nps")))
        << ls.back();
    EXPECT_EQ(m[1].str(), signature["short"])
        << "the searches no longer compute what they did; if that is meant, update "
           "bench/signature.txt";
    // The total is the sum of the positions' lines.
    unsigned long long sum = 0;
    for (size_t i = 0; i + 1 < ls.size(); i++) {
        std::smatch p;
        ASSERT_TRUE(std::regex_search(ls[i], p, std::regex("nodes +(\\d+)"))) << ls[i];
        sum += std::stoull(p[1]);
    }
    EXPECT_EQ(std::to_string(sum), m[1].str());
}

// The byte-board's random open games, a suite of their own, searched to depth 5 each.
TEST(AnalyzeBench, RandomGamesKeepTheirSignature) {
    std::map<std::string, std::string> signature = benchSignature();
    ASSERT_FALSE(signature["games"].empty());
    auto r = analyze({"bench", "--suite", std::string(BENCH_DIR) + "/random_games.txt"}, "", 300);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> ls = lines(r.out);
    ASSERT_EQ(ls.size(), 11u) << r.out;
    for (size_t i = 0; i + 1 < ls.size(); i++)
        EXPECT_NE(ls[i].find("byteboard  depth  5"), std::string::npos) << ls[i];
    EXPECT_NE(ls.back().find("OVERALL: " + signature["games"] + " nodes "), std::string::npos)
        << ls.back() << ": the byte-board search no longer computes what it did; if that is "
        << "meant, update bench/signature.txt";
}

TEST(AnalyzeErrors, ClearMessagesAndStatuses) {
    struct Case {
        std::vector<std::string> args;
        std::string input;
        int status;
        std::string message;
    };
    for (const Case& c : std::vector<Case>{
             {{"--engine", "byteboard"}, "5\nL1\n", 1, "6 or 7"},
             {{"--engine", "byteboard"}, "8\n", 1, "6 or 7"},
             {{"--width", "12"}, "6\n", 2, "--width"},
             {{"--width", "8"}, "9\n", 1, "1 to 8"},
             {{"--depth", "two"}, "6\n", 2, "--depth"},
             {{"--depth", "37"}, "6\n", 2, "from 3 to 36"},
             {{"--depth=1000", "--engine=byteboard"}, "6\n", 2, "from 3 to 999"},
             {{"--time", "-1"}, "6\n", 2, "--time"},
             {{}, "0\n", 1, "size line"},
             {{}, "21\n", 1, "size line"},
             {{}, "", 1, "size line"},
             {{"--ply", "3"}, "4\nL1\n", 1, "only 1 plies"},
             {{"--game", "0"}, "4\nL1\n", 1, "no record with '# game: 0'"},
             {{"--depth=3", "bench"}, "", 2, "bench takes only"},
             {{"/nonexistent/record.txt"}, "", 1, "cannot read /nonexistent/record.txt"},
             {{"bench", "--suite", "/nonexistent/suite.txt"},
              "",
              1,
              "cannot read /nonexistent/suite.txt"},
             // Devices and folders are refused, not read to their (missing) end.
             {{"/dev/zero"}, "", 1, "/dev/zero is not a regular file"},
             {{"--game", "1", "/dev/zero"}, "", 1, "/dev/zero is not a regular file"},
             {{"bench", "--suite", "/dev/zero"}, "", 1, "/dev/zero is not a regular file"},
             {{"/"}, "", 1, "/ is not a regular file"},
         }) {
        auto r = analyze(c.args, c.input);
        EXPECT_EQ(r.end, referee::RunResult::End::Exited);
        EXPECT_EQ(r.status, c.status) << c.message;
        EXPECT_EQ(r.out, "") << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
}

}  // namespace
