// The sandbox for untrusted players: what a player tries inside and fails at, with its game
// judged as usual; its limits; the real players inside it; and the refusal to start where
// it cannot work. The tests that need it skip, saying why, where bubblewrap or user
// namespaces are missing.
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "referee/players/player.h"
#include "referee/players/probe.h"
#include "referee/players/sandbox.h"
#include "referee/records/record.h"
#include "referee_processes.h"
#include "referee_replay.h"
#include "tests/read_file.h"

using namespace referee;
using namespace referee_test;

namespace {

const std::string kHostile = HOSTILE, kStandin = STANDIN, kModel = MODEL_PLAYER, kReferee = REFEREE;

#define REQUIRE_SANDBOX()                                              \
    do {                                                               \
        if (auto problem = sandboxProblem()) GTEST_SKIP() << *problem; \
    } while (0)

PlayerSetup boxed(const std::string& command, SandboxLimits box = {true},
                  const std::string& dir = "") {
    PlayerSetup p;
    auto err = makePlayer(command, Protocol::BitRow, dir, p);
    EXPECT_FALSE(err) << *err;
    p.time = 5;
    p.sandbox = box;
    return p;
}

// A folder of this test's own, made afresh.
std::string freshFolder(const std::string& name) {
    const std::string dir = testing::TempDir() + name;
    std::system(("rm -rf '" + dir + "'").c_str());
    mkdir(dir.c_str(), 0755);
    return dir;
}

// A port on 127.0.0.1 that accepts connections (a listening socket), and its number.
int listenOnLoopback(int& port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(s, 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&at), &size) != 0)
        return -1;
    port = ntohs(at.sin_port);
    return s;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(RefereeSandbox, WhatAPlayerTriesInsideFailsAndItsGameIsJudgedAsUsual) {
    REQUIRE_SANDBOX();
    int port = 0;
    const int listener = listenOnLoopback(port);
    ASSERT_GE(listener, 0);
    // The player works in a folder that also holds the match's record, as the players'
    // folder does when the referee is run from it.
    const std::string dir = freshFolder("attack"), record = dir + "/match.txt";
    // Beside the program (not its working folder), where the test can look afterwards.
    const std::string outside = kHostile.substr(0, kHostile.rfind('/')) + "/attack-outside.txt";
    std::remove(outside.c_str());
    const bool inTmp = outside.rfind("/tmp/", 0) == 0;
    const std::string attack = kHostile + " attack " + record + " " + outside + " " +
                               std::to_string(port) + " " + std::to_string(getpid());
    ProgramRun run =
        runProgram({kReferee, "-a", attack, "--a-dir", dir, "--a-sandbox", "-b", kModel,
                    "--no-check", "-n", "5", "--games", "1", "--max-plies", "6", "-o", record});
    ASSERT_EQ(run.status, 0) << run.err;
    RecordFile f = parseRecords(slurp(record));
    ASSERT_EQ(f.records.size(), 1u);
    const GameRecord& r = f.records[0];
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(referee_test::replayMismatch(r, 6), "");
    int turns = 0;
    for (const auto& [key, said] : r.extra) {
        if (key != "stderr") continue;
        SCOPED_TRACE(said);
        turns++;
        EXPECT_TRUE(contains(said, "read the record: failed"));
        EXPECT_TRUE(contains(said, "hunt for the record: nothing"));
        // A program under /tmp has the folders above it in the sandbox's private /tmp, where
        // a write succeeds and ends with the turn (the host check below still holds).
        if (!inTmp) {
            EXPECT_TRUE(contains(said, "write outside: failed"));
        }
        EXPECT_TRUE(contains(said, "write its folder: failed"));
        EXPECT_TRUE(contains(said, "write its temporary folder: ok"));
        EXPECT_TRUE(contains(said, "temporary file of an earlier turn: gone"));
        EXPECT_TRUE(contains(said, "connect to 127.0.0.1: failed"));
        EXPECT_TRUE(contains(said, "see the referee: failed"));
    }
    EXPECT_EQ(turns, 3);
    EXPECT_NE(access(outside.c_str(), F_OK), 0);
    EXPECT_NE(access((dir + "/hostile-was-here").c_str(), F_OK), 0);

    // Without the sandbox the same player does all of it: the attempts are real.
    RunResult raw;
    playTurn(boxed(attack, {}, dir), 5, {}, 1, &raw);
    for (const char* done : {"read the record: ok", "write outside: ok", "write its folder: ok",
                             "connect to 127.0.0.1: ok", "see the referee: ok"})
        EXPECT_TRUE(contains(raw.err, done)) << done << " in " << raw.err;
    std::remove(outside.c_str());
    close(listener);
    EXPECT_EQ(childrenLeft(), 0);
}

TEST(RefereeSandbox, SignallingItsParentDoesNothing) {
    REQUIRE_SANDBOX();
    RunResult raw;
    Turn t = playTurn(boxed(kHostile + " signal-parent"), 6, {}, 1, &raw);
    EXPECT_TRUE(t.move) << t.why;
    EXPECT_EQ(raw.end, RunResult::End::Exited);
    EXPECT_TRUE(contains(raw.err, "parent after SIGTERM and SIGKILL: still there")) << raw.err;
    EXPECT_EQ(childrenLeft(), 0);
}

TEST(RefereeSandbox, APlayerOverALimitLosesAsACrashNamingIt) {
    REQUIRE_SANDBOX();
    struct Case {
        std::string command;
        SandboxLimits box;
        bool answers;
        std::string named;  // in the reason, when it does not answer
    };
    const Case cases[] = {
        {kHostile + " memory 64", {true, 32, 64}, false, "32 MiB of memory, 64 processes"},
        {kHostile + " memory 16", {true, 256, 64}, true, ""},
        {kHostile + " fork-many 10", {true, 2048, 5}, false, "2048 MiB of memory, 5 processes"},
        {kHostile + " fork-many 3", {true, 2048, 8}, true, ""},
        // Killed by a signal inside: reported as the signal, not as bubblewrap's status.
        {kStandin + " crash", {true}, false, "signal 11"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        Turn t = playTurn(boxed(c.command, c.box), 6, {}, 1);
        EXPECT_EQ(t.move.has_value(), c.answers) << t.why;
        if (!c.answers) {
            EXPECT_EQ(t.loss, Loss::Crash);
            EXPECT_TRUE(contains(t.why, c.named)) << t.why;
        }
    }
    EXPECT_EQ(childrenLeft(), 0);
}

TEST(RefereeSandbox, RealPlayersPlayInside) {
    REQUIRE_SANDBOX();
    // shover8 hands N = 9 over to support/shover16 inside; a won position ends its search at
    // once.
    const std::vector<ProbePosition> won = probePositions(9);
    ASSERT_FALSE(won.empty());
    PlayerSetup shover = boxed(SHOVER8);
    shover.time = 30;
    Turn t = playTurn(shover, 9, won[0].moves, 1);
    ASSERT_TRUE(t.move) << t.why;
    EXPECT_EQ(*t.move, *won[0].win);
    // A short sandboxed round robin of the analyser and pusher6 at one second.
    const std::string out = testing::TempDir() + "sandbox-tournament.txt";
    std::remove(out.c_str());
    ProgramRun run =
        runProgram({kReferee, "--sandbox", "--player",
                    std::string("name=d3 cmd='") + ANALYZE + " --quiet --depth 3'", "--player",
                    std::string("name=p6 proto=byteboard time=1 cmd=") + PUSHER6, "-n", "6",
                    "--random-openings", "2", "--games", "2", "--max-plies", "6", "-o", out},
                   120);
    ASSERT_EQ(run.status, 0) << run.err;
    RecordFile f = parseRecords(slurp(out));
    ASSERT_EQ(f.records.size(), 2u);
    for (const GameRecord& r : f.records) {
        EXPECT_EQ(r.loss, Loss::None) << r.reason;  // the move cap: every turn answered
        EXPECT_EQ(referee_test::replayMismatch(r, 6), "");
        bool recorded = false;
        for (const auto& [key, value] : r.settings)
            recorded =
                recorded || (key == "p2-sandbox" && value == "2048 MiB of memory, 64 processes");
        EXPECT_TRUE(recorded);
    }
}

// Runs the referee with PATH set to `path` for the run (a keeper started afresh passes the
// changed environment on).
ProgramRun withPath(const std::string& path, const std::vector<std::string>& argv) {
    const std::string saved = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", path.c_str(), 1);
    endKeeper();
    ProgramRun run = runProgram(argv);
    setenv("PATH", saved.c_str(), 1);
    endKeeper();
    return run;
}

TEST(RefereeSandbox, RefusedToStartWhereItCannotWork) {
    const std::vector<std::string> match = {kReferee, "--sandbox", "-a", kModel, "-b", kModel};
    ProgramRun none = withPath("/nonexistent", match);
    EXPECT_EQ(none.status, 2);
    EXPECT_TRUE(contains(none.err, "--sandbox needs bubblewrap")) << none.err;
    // A bubblewrap that cannot make namespaces, as where user namespaces are not allowed.
    const std::string bin = freshFolder("fake-bin");
    std::ofstream(bin + "/bwrap")
        << "#!/bin/sh\necho 'bwrap: No permissions to create new namespace' >&2\nexit 1\n";
    chmod((bin + "/bwrap").c_str(), 0755);
    symlink("/usr/bin/prlimit", (bin + "/prlimit").c_str());
    symlink("/bin/true", (bin + "/true").c_str());
    ProgramRun denied = withPath(bin, match);
    EXPECT_EQ(denied.status, 2);
    EXPECT_TRUE(contains(denied.err, "No permissions to create new namespace")) << denied.err;
    EXPECT_TRUE(contains(denied.err, "user namespaces")) << denied.err;
    // Its limits without a sandbox to apply them to.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--a-memory", "100"},
                                                 {"--memory", "100"},
                                                 {"--processes", "9"}}) {
        std::vector<std::string> argv = {kReferee, "-a", kModel, "-b", kModel};
        argv.insert(argv.end(), args.begin(), args.end());
        ProgramRun r = runProgram(argv);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_TRUE(contains(r.err, "sandbox")) << r.err;
    }
}

}  // namespace
