// The referee's library parts that need no processes: judging a run, records, openings,
// Elo, the board display and the match bookkeeping.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>

#include "model/cell_model.h"
#include "referee/play/match.h"
#include "referee/play/openings.h"
#include "referee/play/schedule.h"
#include "referee/players/command_line.h"
#include "referee/players/player.h"
#include "referee/players/program_path.h"
#include "referee/records/counts.h"
#include "referee/records/files.h"
#include "referee/records/record.h"
#include "referee/stats/elo.h"
#include "referee/text/escape.h"
#include "referee/text/number_text.h"
#include "referee/views/show.h"
#include "referee/views/summary.h"

using namespace referee;
using model::Move;

namespace {

RunResult exited(const std::string& out, int status = 0) {
    RunResult r;
    r.end = RunResult::End::Exited;
    r.status = status;
    r.out = out;
    r.answered = true;
    return r;
}

TEST(RefereeJudge, OnlyOneLineWithAMoveOfThisSizeStands) {
    struct Case {
        RunResult run;
        int n;
        std::optional<Move> move;
        Loss loss;
    };
    RunResult signalled = exited("", 11);
    signalled.end = RunResult::End::Signalled;
    RunResult crashedAfter = signalled;
    crashedAfter.out = "T4\n";
    RunResult crashedDuring = signalled;
    crashedDuring.out = "L";
    RunResult late;
    late.end = RunResult::End::Killed;
    late.out = "L1";  // no line end before the deadline: not an answer
    RunResult lingered = late;
    lingered.out = "B2\n";
    lingered.answered = true;
    RunResult cut = exited(std::string(64 * 1024, 'L'));
    cut.outCut = true;
    RunResult notStarted;
    notStarted.error = "cannot run x";
    const Case cases[] = {
        {exited("L3\n"), 6, Move{'L', 3}, Loss::None},
        {exited("R6"), 6, Move{'R', 6}, Loss::None},  // line end missing at the end of output
        {exited("T12\n"), 12, Move{'T', 12}, Loss::None},
        {exited("L7\n"), 6, std::nullopt, Loss::Illegal},  // a move of another size
        {exited("L7\n"), 7, Move{'L', 7}, Loss::None},
        {exited("L1\r\n"), 6, std::nullopt, Loss::Illegal},
        {exited("L1\nL2\n"), 6, std::nullopt, Loss::Illegal},
        {exited("L1\n\n"), 6, std::nullopt, Loss::Illegal},
        {exited("\n"), 6, std::nullopt, Loss::Illegal},
        {exited(std::string("L1\0\n", 4)), 6, std::nullopt, Loss::Illegal},
        {exited("l1\n"), 6, std::nullopt, Loss::Illegal},
        {exited("L01\n"), 6, std::nullopt, Loss::Illegal},
        {exited(" L1\n"), 6, std::nullopt, Loss::Illegal},
        {exited("hello\n", 3), 6, std::nullopt, Loss::Illegal},
        {exited("", 0), 6, std::nullopt, Loss::Crash},
        {exited("", 1), 6, std::nullopt, Loss::Crash},
        {signalled, 6, std::nullopt, Loss::Crash},
        {crashedAfter, 6, Move{'T', 4}, Loss::None},
        {crashedDuring, 6, std::nullopt, Loss::Crash},
        {late, 6, std::nullopt, Loss::Time},
        {lingered, 6, Move{'B', 2}, Loss::None},
        {cut, 6, std::nullopt, Loss::Illegal},
        {notStarted, 6, std::nullopt, Loss::Crash},
    };
    int i = 0;
    for (const Case& c : cases) {
        Turn t = judgeRun(c.run, c.n, 2);
        EXPECT_EQ(t.move, c.move) << "case " << i;
        EXPECT_EQ(t.loss, c.loss) << "case " << i;
        EXPECT_EQ(t.why.empty(), c.move.has_value()) << "case " << i;
        i++;
    }
    EXPECT_NE(judgeRun(crashedAfter, 6, 2).note.find("signal 11"), std::string::npos);
    EXPECT_NE(judgeRun(notStarted, 6, 2).why.find("cannot run x"), std::string::npos);
}

TEST(RefereeCommand, SplitsLikeAShellWithoutExpanding) {
    using V = std::vector<std::string>;
    EXPECT_EQ(splitCommand("a b  c"), (V{"a", "b", "c"}));
    EXPECT_EQ(splitCommand("  'x y' \"p \\\" q\" r\\ s $HOME"),
              (V{"x y", "p \" q", "r s", "$HOME"}));
    EXPECT_EQ(splitCommand("a ''"), (V{"a", ""}));
    EXPECT_FALSE(splitCommand(""));
    EXPECT_FALSE(splitCommand("   "));
    EXPECT_FALSE(splitCommand("a 'b"));
    EXPECT_FALSE(splitCommand("a \\"));
    PlayerSetup p;
    EXPECT_TRUE(makePlayer("/no/such/program", Protocol::BitRow, "", p).has_value());
    EXPECT_TRUE(makePlayer("sh -c true", Protocol::BitRow, "/no/such/folder", p).has_value());
    ASSERT_FALSE(makePlayer("sh -c true", Protocol::ByteBoard, "", p).has_value());
    EXPECT_EQ(p.argv.size(), 3u);
    EXPECT_EQ(p.argv[0].front(), '/');
    EXPECT_EQ(p.name, "sh");
}

TEST(RefereeProgramPath, FoundLikeAShellDoesOnlyAsExecutableFiles) {
    char tmpl[] = "/tmp/referee-path-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    auto make = [&](const std::string& name, int mode) {
        std::ofstream(dir + "/" + name) << "#!/bin/sh\n";
        ASSERT_EQ(chmod((dir + "/" + name).c_str(), mode), 0);
    };
    make("prog", 0755);
    make("plain", 0644);
    ASSERT_EQ(mkdir((dir + "/folder").c_str(), 0755), 0);
    const char* before = getenv("PATH");
    const std::string saved = before ? before : "";
    setenv("PATH", ("/no/such/dir::" + dir).c_str(), 1);
    EXPECT_EQ(findProgram("prog"), dir + "/prog");
    EXPECT_EQ(findProgram("plain"), "");   // not executable
    EXPECT_EQ(findProgram("folder"), "");  // not a file
    EXPECT_EQ(findProgram("missing"), "");
    EXPECT_EQ(findProgram(dir + "/prog"), dir + "/prog");  // a '/': taken as a path
    EXPECT_EQ(findProgram(dir + "/plain"), "");
    setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(folderOf("a/b/c"), "a/b");
    EXPECT_EQ(folderOf("/c"), "/");
    EXPECT_EQ(folderOf("c"), ".");
    EXPECT_TRUE(isFolder(dir + "/folder"));
    EXPECT_FALSE(isFolder(dir + "/prog"));
    EXPECT_EQ(absolutePath(dir + "/folder/../prog"), absolutePath(dir) + "/prog");
    std::remove((dir + "/prog").c_str());
    std::remove((dir + "/plain").c_str());
    rmdir((dir + "/folder").c_str());
    rmdir(dir.c_str());
}

TEST(RefereeText, EscapingIsPrintableCutsAndReadsBack) {
    // Worked out by hand.
    EXPECT_EQ(escape(std::string("a\\b\n\r\t\x01\x7f\xff z", 11)),
              "a\\\\b\\n\\r\\t\\x01\\x7f\\xff z");
    EXPECT_EQ(escape("abcdefghij", 4), "abcd...");
    EXPECT_EQ(escape("abcd", 4), "abcd");
    EXPECT_EQ(unescape("\\x4A\\x4a\\q\\"), "x4AJq\\");  // upper-case hex is not ours
    // Every byte string comes back whole, and its escaped form is one printable line.
    std::mt19937 rng(17);
    for (int round = 0; round < 500; round++) {
        std::string text(rng() % 64, '\0');
        for (char& c : text) c = static_cast<char>(rng() % 256);
        const std::string e = escape(text, std::string::npos);
        for (char c : e) ASSERT_TRUE(c >= 0x20 && c < 0x7f) << e;
        ASSERT_EQ(unescape(e), text) << e;
        // A cut form is the whole form, or at least 10 bytes of it (the last escape
        // whole) followed by "...".
        const std::string cut = escape(text, 10);
        if (cut != e) {
            ASSERT_GE(cut.size(), 13u) << cut;
            ASSERT_LE(cut.size(), 10u + 3 + 3) << cut;
            ASSERT_EQ(cut.substr(cut.size() - 3), "...") << cut;
            ASSERT_EQ(e.compare(0, cut.size() - 3, cut, 0, cut.size() - 3), 0) << cut;
        }
    }
    EXPECT_EQ(shortNumber(30), "30");
    EXPECT_EQ(shortNumber(0.5), "0.5");
    EXPECT_EQ(shortNumber(1000000), "1e+06");
    EXPECT_EQ(shortNumber(1.0 / 3, 9), "0.333333333");
    EXPECT_EQ(fixedNumber(12.3456, 3), "12.346");
    EXPECT_EQ(fixedNumber(-0.5, 1), "-0.5");
    // A value that rounds to zero carries no sign ("LLR -0.00" for a tiny negative LLR).
    EXPECT_EQ(fixedNumber(-0.004, 2), "0.00");
    EXPECT_EQ(fixedNumber(-0.006, 2), "-0.01");
    EXPECT_EQ(fixedNumber(-1e-9, 0), "0");
    EXPECT_EQ(fixedNumber(-0.0, 3), "0.000");
    EXPECT_EQ(fixedNumber(-10.001, 2), "-10.00");
    EXPECT_EQ(fixedNumber(-INFINITY, 2), "-inf");
    EXPECT_GT(fixedNumber(1e300, 3).size(), 300u);  // written in full, not cut
}

TEST(RefereeInput, EachProtocolGetsItsOwnFormat) {
    std::vector<Move> moves = {{'L', 3}, {'T', 12}, {'B', 1}};
    EXPECT_EQ(playerInput(Protocol::BitRow, 12, moves), "12\nL3\nT12\nB1\n");
    EXPECT_EQ(playerInput(Protocol::ByteBoard, 12, moves), "L3\nT12\nB1\n");
    EXPECT_EQ(playerInput(Protocol::BitRow, 6, {}), "6\n");
    EXPECT_EQ(playerInput(Protocol::ByteBoard, 6, {}), "");
}

GameRecord sampleRecord() {
    GameRecord r;
    r.size = 5;
    r.moves = {{'L', 1}, {'R', 5}, {'T', 3}, {'B', 2}};
    r.game = 7;
    r.opening = 3;
    r.openingPlies = 2;
    r.x = "odd \"name\"\nwith\\breaks";
    r.o = "plain";
    r.winner = Winner::O;
    r.loss = Loss::Illegal;
    r.reason = "X answered 'L9'";
    r.timeX = 1.25;
    r.timeO = 0.5;
    r.extra = {{"stderr", std::string("line one\nline two\x01\xff") + '\0'}, {"note", "x"}};
    return r;
}

TEST(RefereeRecord, RoundTripsAndStartsAsAPlayerInput) {
    GameRecord r = sampleRecord();
    std::string text = formatRecord(r);
    // What a bit-row player reads: the size line and the moves, then a line that is no move.
    EXPECT_EQ(text.substr(0, 15), "5\nL1\nR5\nT3\nB2\n#");
    RecordFile f = parseRecords(text + text);
    ASSERT_TRUE(f.problems.empty()) << f.problems.front();
    ASSERT_EQ(f.records.size(), 2u);
    EXPECT_EQ(f.goodBytes, 2 * text.size());
    const GameRecord& b = f.records[1];
    EXPECT_TRUE(b.complete);
    EXPECT_EQ(b.size, r.size);
    EXPECT_EQ(b.moves, r.moves);
    EXPECT_EQ(b.game, r.game);
    EXPECT_EQ(b.opening, r.opening);
    EXPECT_EQ(b.openingPlies, r.openingPlies);
    EXPECT_EQ(b.x, r.x);
    EXPECT_EQ(b.o, r.o);
    EXPECT_EQ(b.winner, r.winner);
    EXPECT_EQ(b.loss, r.loss);
    EXPECT_EQ(b.reason, r.reason);
    EXPECT_DOUBLE_EQ(b.timeX, 1.25);
    EXPECT_DOUBLE_EQ(b.timeO, 0.5);
    EXPECT_EQ(b.extra, r.extra);
    // Every key line stays one line whatever the names hold.
    int lines = 0;
    for (char c : text) lines += c == '\n';
    EXPECT_EQ(lines, 1 + 4 + 15 + 1 + 1);

    // A further key is written back byte for byte, a NUL in its name included.
    GameRecord withNul = r;
    withNul.extra.push_back({std::string("t\0me", 4), "v"});
    RecordFile g = parseRecords(formatRecord(withNul));
    ASSERT_EQ(g.records.size(), 1u);
    EXPECT_TRUE(g.records[0].complete);
    EXPECT_EQ(g.records[0].extra, withNul.extra);
}

TEST(RefereeRecord, BrokenOrCutRecordsAreNotTakenAsFinished) {
    std::string good = formatRecord(sampleRecord());
    // Cut anywhere before its end line is complete: not finished, and goodBytes says
    // where the finished part of the file ends.
    for (size_t cut = 0; cut < good.size() - 1; cut++) {
        RecordFile f = parseRecords(good + good.substr(0, cut));
        ASSERT_GE(f.records.size(), 1u);
        EXPECT_TRUE(f.records[0].complete);
        for (size_t i = 1; i < f.records.size(); i++) EXPECT_FALSE(f.records[i].complete) << cut;
        EXPECT_EQ(f.goodBytes, good.size()) << cut;
    }
    auto broken = [&](const std::string& from, const std::string& to) {
        std::string t = good;
        t.replace(t.find(from), from.size(), to);
        RecordFile f = parseRecords(t);
        return f.records.empty() || !f.records[0].complete;
    };
    EXPECT_TRUE(broken("# plies: 4", "# plies: 5"));
    EXPECT_TRUE(broken("# size: 5", "# size: 6"));
    EXPECT_TRUE(broken("# winner: o", "# winner: ?"));
    EXPECT_TRUE(broken("# loss: illegal", "# loss: bored"));
    EXPECT_TRUE(broken("# time-x: 1.250", "# time-x: -1"));
    EXPECT_TRUE(broken("# game: 7", "# game: 7x"));
    EXPECT_TRUE(broken("T3\n", "T6\n"));  // no move of N = 5
    EXPECT_TRUE(broken("# x: ", "# y: "));
    EXPECT_FALSE(broken("# note: x", "# other: y"));

    // A plain player input is a record without keys.
    RecordFile plain = parseRecords("3\nL1\nB3\n");
    ASSERT_EQ(plain.records.size(), 1u);
    EXPECT_FALSE(plain.records[0].complete);
    EXPECT_EQ(plain.records[0].moves, (std::vector<Move>{{'L', 1}, {'B', 3}}));
    EXPECT_TRUE(plain.problems.empty());
    EXPECT_EQ(parseRecords("3\nL1\nfoo\n").problems.size(), 1u);
    EXPECT_EQ(parseRecords("L1\n").problems.size(), 1u);
}

TEST(RefereeRecord, AnyBytesAreReadWithoutHarm) {
    std::string good = formatRecord(sampleRecord());
    std::mt19937 rng(5);
    for (int i = 0; i < 2000; i++) {
        std::string t = good;
        int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; e++) {
            size_t at = rng() % t.size();
            switch (rng() % 3) {
                case 0:
                    t[at] = static_cast<char>(rng());
                    break;
                case 1:
                    t.erase(at, rng() % 20);
                    break;
                default:
                    t.insert(at, std::string(1, "\n#:\\x0L9 "[rng() % 9]));
            }
            if (t.empty()) t = "#";
        }
        RecordFile f = parseRecords(t);
        EXPECT_LE(f.goodBytes, t.size());
        for (const GameRecord& r : f.records) {
            EXPECT_GE(r.size, 1);
            EXPECT_LE(r.size, model::kMaxSize);
            for (const Move& m : r.moves) EXPECT_TRUE(model::parseMove(model::moveName(m), r.size));
        }
    }
}

TEST(RefereeElo, KnownCounts) {
    struct Case {
        int w, d, l;
        double p, elo, low, high;
    };
    // Worked out by hand: p = (w + d/2) / n, sd of the per-game score, p +- 1.96 sd / sqrt(n).
    const Case cases[] = {
        {50, 0, 50, 0.5, 0, -68.98875, 68.98875},
        {60, 20, 20, 0.7, 147.19071, 86.22502, 218.25178},
        {75, 0, 25, 0.75, 190.84850, 119.21295, 281.51580},
        {3, 4, 1, 0.625, 88.73950, -73.46185, 307.08219},
    };
    for (const Case& c : cases) {
        EloEstimate e = estimateElo(c.w, c.d, c.l);
        ASSERT_TRUE(e.valid);
        EXPECT_NEAR(e.score, c.p, 1e-12);
        EXPECT_NEAR(e.elo, c.elo, 1e-4);
        EXPECT_NEAR(e.low, c.low, 1e-4);
        EXPECT_NEAR(e.high, c.high, 1e-4);
        EloEstimate mirror = estimateElo(c.l, c.d, c.w);
        EXPECT_NEAR(mirror.elo, -c.elo, 1e-4);
        EXPECT_NEAR(mirror.low, -c.high, 1e-4);
    }
    EloEstimate all = estimateElo(10, 0, 0);
    EXPECT_TRUE(std::isinf(all.elo) && all.elo > 0);
    EXPECT_TRUE(std::isinf(all.high) && all.high > 0);
    EXPECT_NEAR(all.low, 140.21716, 1e-4);  // 0.025^(1/10) = 0.69150
    EloEstimate lost = estimateElo(0, 0, 3);
    EXPECT_TRUE(std::isinf(lost.low) && lost.low < 0);
    EXPECT_NEAR(lost.high, 153.52269, 1e-4);  // 1 - 0.025^(1/3) = 0.70760: 3 games say little
    EloEstimate none = estimateElo(0, 0, 3);
    EXPECT_TRUE(std::isinf(none.elo) && none.elo < 0);
    EloEstimate draws = estimateElo(0, 5, 0);
    EXPECT_EQ(draws.elo, 0);
    EXPECT_LT(draws.low, -200);  // five draws say little: see AllDrawnMatchesStillHaveAnInterval
    EloEstimate mostly = estimateElo(9, 0, 1);  // p + 1.96 sd passes 1
    EXPECT_TRUE(std::isinf(mostly.high));
    EXPECT_FALSE(std::isinf(mostly.elo));
    EXPECT_FALSE(estimateElo(0, 0, 0).valid);
    EXPECT_EQ(formatElo(147.19), "+147");
    EXPECT_EQ(formatElo(-0.2), "+0");
    EXPECT_EQ(formatElo(-all.elo), "-inf");
}

TEST(RefereeOpenings, RandomOnesAreOpenRepeatableAndDistinct) {
    auto a = randomOpenings(4, 6, 5, 42);
    ASSERT_TRUE(a);
    ASSERT_EQ(a->size(), 5u);
    for (const Opening& o : *a) {
        ASSERT_EQ(o.size(), 6u);
        model::Game g(4);
        for (const Move& m : o) EXPECT_EQ(g.play(m), model::Outcome::Open);
    }
    for (size_t i = 0; i < a->size(); i++)
        for (size_t j = i + 1; j < a->size(); j++) EXPECT_NE((*a)[i], (*a)[j]);
    auto again = randomOpenings(4, 6, 3, 42);
    ASSERT_TRUE(again);
    EXPECT_TRUE(std::equal(again->begin(), again->end(), a->begin()));
    EXPECT_NE(randomOpenings(4, 6, 1, 43)->front(), a->front());
    EXPECT_EQ(randomOpenings(6, 0, 2, 1), (std::vector<Opening>{{}, {}}));
    EXPECT_FALSE(randomOpenings(1, 1, 1, 1));  // the only move on 1 x 1 wins
    // On 2 x 2 every long game runs into a straight or a repetition sooner or later.
    auto small = randomOpenings(2, 3, 4, 9);
    if (small) {
        for (const Opening& o : *small) EXPECT_FALSE(decidingPly(2, o));
    }
}

std::string writeTemp(const std::string& name, const std::string& text) {
    std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(RefereeFiles, WholeFilesAreRegularFilesReadUpToTheirLimit) {
    const std::string text(100, 'x');
    const std::string path = writeTemp("hundred.txt", text);
    FileRead at = readWholeFile(path, 100);  // exactly at the limit
    EXPECT_EQ(at.error, "");
    EXPECT_EQ(at.text, text);
    FileRead over = readWholeFile(path, 99);
    EXPECT_EQ(over.error, path + " is larger than 99 bytes");
    EXPECT_EQ(over.text, "");
    EXPECT_EQ(readWholeFile(testing::TempDir(), 100).error,
              testing::TempDir() + " is not a regular file");
    EXPECT_EQ(readWholeFile("/dev/zero", 100).error, "/dev/zero is not a regular file");
    FileRead missing = readWholeFile(testing::TempDir() + "no-such-file", 100);
    EXPECT_TRUE(missing.missing);
    EXPECT_NE(missing.error.find("cannot read"), std::string::npos);
    EXPECT_FALSE(readWholeFile("/dev/zero", 100).missing);
    // A stream (standard input read on purpose) is read to its end, within the limit too.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], text.data(), 60), 60);
    close(fds[1]);
    EXPECT_EQ(readWholeStream(fds[0], "standard input", 50).error,
              "standard input is larger than 50 bytes");
    close(fds[0]);
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], text.data(), 60), 60);
    close(fds[1]);
    EXPECT_EQ(readWholeStream(fds[0], "standard input", 60).text, text.substr(0, 60));
    close(fds[0]);
    EXPECT_EQ(sizeText(kRecordFileLimit), "256 MiB");
    EXPECT_EQ(sizeText(kSmallFileLimit), "1 MiB");
    EXPECT_EQ(sizeText(3 << 10), "3 KiB");
    // Written files: a device or a pipe would be replaced by the rename, so it is refused.
    EXPECT_TRUE(notWritableAsFile("/dev/null"));
    EXPECT_FALSE(notWritableAsFile(path));
    EXPECT_FALSE(notWritableAsFile(testing::TempDir() + "not-yet"));
    const std::string fifo = testing::TempDir() + "written.fifo";
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(writeFileAtomically(fifo, "x"));
    struct stat st {};
    ASSERT_EQ(stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    std::remove(fifo.c_str());
    // The temporary file beside the target is made anew: a link standing at its name is
    // replaced, and the file it points to is left as it was.
    const std::string target = testing::TempDir() + "written.txt", aside = target + ".aside";
    writeTemp("written.txt.aside", "keep");
    std::remove((target + ".part").c_str());
    ASSERT_EQ(symlink(aside.c_str(), (target + ".part").c_str()), 0);
    EXPECT_FALSE(writeFileAtomically(target, "the page"));
    EXPECT_EQ(readWholeFile(target, 100).text, "the page");
    EXPECT_EQ(readWholeFile(aside, 100).text, "keep");
    EXPECT_NE(access((target + ".part").c_str(), F_OK), 0);
}

TEST(RefereeOpenings, FromFilesOfRecords) {
    GameRecord r = sampleRecord();
    std::string path =
        writeTemp("openings.txt", "# a comment\n" + formatRecord(r) + "5\nT1\n\n5\n");
    std::vector<Opening> got;
    ASSERT_FALSE(loadOpenings(path, 5, -1, got));
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], r.moves);
    EXPECT_EQ(got[1], (Opening{{'T', 1}}));
    EXPECT_EQ(got[2], Opening{});
    ASSERT_FALSE(loadOpenings(path, 5, 1, got));
    EXPECT_EQ(got[0], (Opening{{'L', 1}}));
    EXPECT_TRUE(loadOpenings(path, 6, -1, got));  // records of another size
    EXPECT_TRUE(loadOpenings(writeTemp("bad.txt", "5\nL1\nL6\n"), 5, -1, got));
    EXPECT_TRUE(loadOpenings(writeTemp("empty.txt", ""), 5, -1, got));
    EXPECT_TRUE(loadOpenings(testing::TempDir() + "missing.txt", 5, -1, got));
    // X's straight in row 1 of a 2 x 2 board decides the game at ply 3.
    auto err = loadOpenings(writeTemp("won.txt", "2\nL1\nL2\nL1\n"), 2, -1, got);
    ASSERT_TRUE(err);
    EXPECT_NE(err->find("ply 3"), std::string::npos);
    EXPECT_FALSE(loadOpenings(writeTemp("won.txt", "2\nL1\nL2\nL1\n"), 2, 2, got));
}

TEST(RefereeShow, MarksTheEdgeTheLastPieceCameIn) {
    model::Board b(3);
    b.push({'T', 2}, model::Piece::X);
    b.push({'L', 3}, model::Piece::O);
    EXPECT_EQ(drawBoard(b, Move{'L', 3}),
              "      1 2 3\n"
              "    +-------+\n"
              "  1 | . X . |\n"
              "  2 | . . . |\n"
              "  3 > O . . |\n"
              "    +-------+\n");
    std::string t = drawBoard(b, Move{'T', 2});
    EXPECT_NE(t.find("    +---v---+\n"), std::string::npos);
    EXPECT_NE(drawBoard(b, Move{'B', 3}).find("    +-----^-+\n"), std::string::npos);
    EXPECT_NE(drawBoard(b, Move{'R', 1}).find("  1 | . X . <\n"), std::string::npos);
    std::string wide = drawBoard(model::Board(12), std::nullopt);
    EXPECT_EQ(wide.substr(0, wide.find('\n')), std::string(24, ' ') + "1 1 1");
}

TEST(RefereeMatch, ColoursSwapOpeningsCycleAndTalliesCount) {
    MatchConfig c;
    c.a.name = "A";
    c.b.name = "B";
    c.size = 4;
    c.openings = {{{'L', 1}}, {{'T', 2}, {'B', 3}}};
    c.games = 6;
    const int expectOpening[] = {0, 0, 1, 1, 0, 0};
    for (int g = 0; g < 6; g++) {
        EXPECT_EQ(pairing(c, g).opening, expectOpening[g]);
        EXPECT_EQ(pairing(c, g).aIsX, g % 2 == 0);
    }
    GameRecord r;
    r.size = 4;
    r.game = 3;
    r.opening = 1;
    r.openingPlies = 2;
    r.moves = {{'T', 2}, {'B', 3}, {'L', 4}};
    r.x = "B";
    r.o = "A";
    EXPECT_FALSE(checkRecord(c, r));
    GameRecord swapped = r;
    std::swap(swapped.x, swapped.o);
    EXPECT_TRUE(checkRecord(c, swapped));
    GameRecord other = r;
    other.moves[1] = {'B', 2};
    EXPECT_TRUE(checkRecord(c, other));
    other = r;
    other.game = 6;
    EXPECT_TRUE(checkRecord(c, other));

    std::vector<GameRecord> rs(5, r);
    rs[0].winner = Winner::X;  // B wins
    rs[1].winner = Winner::O;  // A wins
    rs[1].loss = Loss::Time;
    rs[2].winner = Winner::None;
    rs[3].winner = Winner::X;
    rs[3].loss = Loss::Crash;
    rs[4].x = "C";  // someone else's game
    rs[4].o = "D";
    rs[4].winner = Winner::O;
    Tally a = tally(rs, "A");
    EXPECT_EQ(a.wins, 1);
    EXPECT_EQ(a.draws, 1);
    EXPECT_EQ(a.losses, 2);
    EXPECT_EQ(a.lostBy[static_cast<int>(Loss::Crash)], 1);
    EXPECT_DOUBLE_EQ(a.score(), 1.5);
    EXPECT_EQ(a.lostBy[static_cast<int>(Loss::None)], 1);  // lost on straights; kind not set
    Tally b = tally(rs, "B");
    EXPECT_EQ(b.wins, 2);
    EXPECT_EQ(b.losses, 1);
    EXPECT_EQ(b.lostBy[static_cast<int>(Loss::Time)], 1);
}

}  // namespace
