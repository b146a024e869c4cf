// Input reading, time-limit rule, replay and the ways a turn ends, of the byte-board driver.
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "byteboard/notation.h"
#include "byteboard_testing.h"

namespace {

// A stream holding text.
std::FILE* stream(const std::string& text) {
    std::FILE* f = std::tmpfile();
    if (!f) return nullptr;
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    return f;
}

std::vector<std::pair<char, int>> scanall(const std::string& text) {
    std::vector<std::pair<char, int>> out;
    std::FILE* f = stream(text);
    char side;
    int number;
    while (scanmove(f, &side, &number)) out.push_back({side, number});
    std::fclose(f);
    return out;
}

// The same reading done by scanf itself (only for numbers that fit an int).
std::vector<std::pair<char, int>> scanfall(const std::string& text) {
    std::vector<std::pair<char, int>> out;
    const char* p = text.c_str();
    const char* end = p + text.size();
    while (p < end) {
        char side;
        int number, used = -1;
        if (std::sscanf(p, "%c%d\n%n", &side, &number, &used) != 2) break;
        out.push_back({side, number});
        p = used < 0 ? end : p + used;
    }
    return out;
}

void* nomemory(void*, std::size_t) {
    return nullptr;
}

std::string answertext(char dir, int32_t pos) {
    char buf[answerbytes];
    return std::string(buf, formatanswer(dir, pos, buf));
}

BBTEST(Input, ReadsMovesExactlyAsScanfWould) {
    std::mt19937 rng(4 + N);
    const std::string alphabet = "LRTBQx \n\n\t\r\f\v+-0123456789123";
    for (int t = 0; t < 3000; t++) {
        std::string text;
        int len = static_cast<int>(rng() % 24);
        int digits = 0;
        for (int i = 0; i < len; i++) {
            char c = alphabet[rng() % alphabet.size()];
            digits = (c >= '0' && c <= '9') ? digits + 1 : 0;
            if (digits > 8) continue;  // keep numbers inside int for scanf
            text += c;
        }
        ASSERT_EQ(scanall(text), scanfall(text)) << '"' << text << '"';
    }
    using V = std::vector<std::pair<char, int>>;
    EXPECT_EQ(scanall("L1\n\n\n  R2 T3\r\nB+4 L\n5\n"),
              (V{{'L', 1}, {'R', 2}, {'T', 3}, {'B', 4}, {'L', 5}}));
    EXPECT_EQ(scanall("\nL1\n"), V{});  // the line end is the side, 'L' is no number
    EXPECT_EQ(scanall("L2147483647 R-2147483648 T3"),
              (V{{'L', INT_MAX}, {'R', INT_MIN}, {'T', 3}}));
    EXPECT_EQ(scanall("L1 R2147483648 T3"), (V{{'L', 1}}));  // overflow ends the reading
    EXPECT_EQ(scanall("L1 R99999999999999999999 T3"), (V{{'L', 1}}));
    EXPECT_EQ(scanall("L1 R-2147483649"), (V{{'L', 1}}));
    EXPECT_EQ(scanall("L1 R+ 3"), (V{{'L', 1}}));
}

BBTEST(Input, PositionsOutsideTheBoardEndTheReading) {
    for (const char* bad : {"0", "-1", "+0", "8", "10", "4294967297", "-4294967295"}) {
        std::FILE* f = stream(std::string("L2\nR") + bad + "\nT1\n");
        char side;
        int number;
        EXPECT_TRUE(readmove(f, &side, &number));
        EXPECT_FALSE(readmove(f, &side, &number)) << bad;
        std::fclose(f);
    }
    std::FILE* f = stream("T7\n");
    char side;
    int number;
    EXPECT_EQ(readmove(f, &side, &number), N == 7);
    std::fclose(f);
    // Nothing after the refused move is replayed, and nothing outside the board is touched.
    fresh();
    f = stream("L1\nR1\nT" + std::to_string(N + 1) + "\nQ4\n");
    EXPECT_EQ(replay(f), 1);
    EXPECT_EQ(history.hno, 2);
    std::fclose(f);
}

BBTEST(Input, ReplayAlternatesFromXAndMatchesTheModel) {
    std::mt19937 rng(17 + N);
    auto all = generationorder();
    for (int k : {0, 1, 2, 7, 60, 61}) {
        fresh();
        std::string text;
        model::Board board(N);
        model::Piece who = model::Piece::X;
        for (int i = 0; i < k; i++) {
            auto [side, pos] = all[rng() % all.size()];
            text += std::string(1, side) + std::to_string(pos + 1) + (i % 3 ? "\n" : "\n\n \n");
            board.push(modelmove(side, pos), who);
            who = model::opponent(who);
        }
        std::FILE* f = stream(text);
        EXPECT_EQ(replay(f), k % 2 ? 2 : 1);
        std::fclose(f);
        EXPECT_EQ(history.hno, k);
        EXPECT_EQ(toboard(current()), board);
        expectconsistent(current());
    }
}

BBTEST(Input, TimeLimitArgument) {
    EXPECT_EQ(timelimit(nullptr), 28u);
    EXPECT_EQ(timelimit("5"), 5u);
    EXPECT_EQ(timelimit("  +7s"), 7u);
    EXPECT_EQ(timelimit("12abc"), 12u);
    EXPECT_EQ(timelimit(""), 0u);
    EXPECT_EQ(timelimit("abc"), 0u);
    EXPECT_EQ(timelimit("0"), 0u);
    EXPECT_EQ(timelimit("-0"), 0u);
    EXPECT_EQ(timelimit("- 5"), 0u);
    EXPECT_EQ(timelimit("-1"), 1u);
    EXPECT_EQ(timelimit("-30"), 1u);
    EXPECT_EQ(timelimit("-99999999999999999999999"), 1u);
    EXPECT_EQ(timelimit("4294967295"), UINT_MAX);
    EXPECT_EQ(timelimit("4294967296"), UINT_MAX);
    EXPECT_EQ(timelimit("99999999999999999999999999"), UINT_MAX);
}

BBTEST(Output, AnswerFormat) {
    EXPECT_EQ(answertext('B', 5), "B6\n");
    EXPECT_EQ(answertext('L', 0), "L1\n");
    EXPECT_EQ(answertext(0, 0), "T1\n");  // no iteration completed yet
    EXPECT_EQ(answertext(0, 4), "T1\n");
}

BBTEST(Output, PrintboardOfTheEmptyAndOfAHandMadeRecord) {
    fresh();
    auto print = [](const posrec& rec) {
        std::FILE* f = std::tmpfile();
        printboard(rec, f);
        std::rewind(f);
        std::string out;
        for (int c; (c = std::getc(f)) != EOF;) out += static_cast<char>(c);
        std::fclose(f);
        return out;
    };
    const std::string border = std::string(18, ' ') + "+" + std::string(N, '-') + "+\n";
    const std::string digits = N == 6 ? "123456" : "1234567";
    std::string want = border;
    for (int r = 1; r <= N; r++)
        want += " " + std::to_string(r) + ":    0:0/   0:0 |" + std::string(N, ' ') + "|\n";
    want += border + std::string(19, ' ') + digits + "\n\n";
    for (int c = 1; c <= N; c++) want += " " + std::to_string(c) + ":    0:0/   0:0\n";
    want += "score x=0:0 o=0:0\n";
    EXPECT_EQ(print(posrec{}), want);

    // Row 1 all X, an O below its first cell.
    std::vector<std::string> rows = {std::string(N, 'X'), "O"};
    posrec rec = makerecord(rows);
    const std::string s = std::to_string(sumsize);
    std::string hand = border;
    hand +=
        " 1: " + std::string(4 - s.size(), ' ') + s + ":1/   0:0 |" + std::string(N, 'X') + "|\n";
    hand += " 2:    0:0/   1:0 |O" + std::string(N - 1, ' ') + "|\n";
    for (int r = 3; r <= N; r++)
        hand += " " + std::to_string(r) + ":    0:0/   0:0 |" + std::string(N, ' ') + "|\n";
    hand += border + std::string(19, ' ') + digits + "\n\n";
    hand += " 1:    1:0/   1:0\n";
    for (int c = 2; c <= N; c++) hand += " " + std::to_string(c) + ":    1:0/   0:0\n";
    hand += "score x=" + std::to_string(sumsize + N) + ":1 o=2:0\n";
    EXPECT_EQ(print(rec), hand);
}

BBTEST(DriverDeath, AnUnknownSideInTheInputEndsTheRun) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    fresh();
    EXPECT_EXIT(replay(stream("L1\n\n\nR2\nQ4\nT1\n")), testing::ExitedWithCode(1), "^huh 'Q'\n$");
    EXPECT_EXIT(replay(stream("t1\n")), testing::ExitedWithCode(1), "^huh 't'\n$");
}

BBTEST(DriverDeath, TheAlarmAnswersTheLastCompletedIteration) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto fire = [](char dir, int32_t pos) {
        dup2(STDERR_FILENO, STDOUT_FILENO);  // the answer goes where the test can see it
        struct sigaction sa = {};
        sa.sa_handler = timeout;
        sigaction(SIGALRM, &sa, nullptr);
        deepening.bestdir = dir;
        deepening.bestpos = pos;
        raise(SIGALRM);
    };
    EXPECT_EXIT(fire(0, 0), testing::ExitedWithCode(0), "^T1\n$");
    EXPECT_EXIT(fire('R', N - 1), testing::ExitedWithCode(0), "^R" + std::to_string(N) + "\n$");
    // A real alarm during a search of the empty board.
    fresh();
    EXPECT_EXIT(
        {
            dup2(STDERR_FILENO, STDOUT_FILENO);
            turn(1, 1);
        },
        testing::ExitedWithCode(0), "^[TRBL][1-7]\n$");
}

BBTEST(DriverDeath, FailingToGrowTheStack) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // No stack at all: reset reports it (the program then ends with status 1).
    posrec* kept = history.hist;
    auto plain = history.histrealloc;
    history.hist = nullptr;
    history.histrealloc = nomemory;
    EXPECT_FALSE(reset());
    history.hist = kept;
    history.histrealloc = plain;

    // During the replay: a short line on standard error and status 1.
    fresh();
    std::string text;
    for (int i = 0; i <= history.hmax; i++) text += i % 2 ? "R1\n" : "L1\n";
    EXPECT_EXIT(
        {
            history.histrealloc = nomemory;
            replay(stream(text));
        },
        testing::ExitedWithCode(1), "^out of memory\n$");

    // During the search: the best move of the last completed iteration. L1 and R1 keep
    // row 1 mixed, so there is no straight and no forced win.
    for (int room : {1, 5}) {
        fresh();
        text.clear();
        for (int i = 0; i < history.hmax - room; i++) text += i % 2 ? "R1\n" : "L1\n";
        std::FILE* f = stream(text);
        int32_t player = replay(f);
        std::fclose(f);
        ASSERT_EQ(history.hno, history.hmax - room);
        // room 1: the first root move needs a new record, so no iteration completes.
        // room 5: iteration 3 fits (4 plies below the root move), iteration 4 does not.
        std::string want = "T1\n";
        if (room == 5) {
            deepening.maxdepth = firstdepth;
            computemove(&deepening.bestdir, &deepening.bestpos, player);
            ASSERT_EQ(history.hno, history.hmax - room);
            want = answertext(deepening.bestdir, deepening.bestpos);
            deepening.bestdir = 0;
            deepening.bestpos = 0;
            deepening.maxdepth = lastdepth;
        }
        EXPECT_EXIT(
            {
                dup2(STDERR_FILENO, STDOUT_FILENO);
                history.histrealloc = nomemory;
                turn(0, player);
            },
            testing::ExitedWithCode(0), "^" + want + "$");
    }
}

}  // namespace
