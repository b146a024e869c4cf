// Players that misbehave in every way a player can, run through the referee: each is judged
// as before, and nothing of its turns is left behind (no process, no zombie, no descriptor),
// whatever it did: new sessions and groups, double forks, a killed or stopped keeper, a
// killed referee. Also the files the referee reads and writes, a stop whatever the referee
// is doing, and a resumed match against its tally.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <thread>

#include "referee/players/descendants.h"
#include "referee/players/player.h"
#include "referee/players/probe.h"
#include "referee/players/process.h"
#include "referee/records/record.h"
#include "referee_processes.h"
#include "tests/read_file.h"

using namespace referee;
using namespace referee_test;

namespace {

const std::string kHostile = HOSTILE, kStandin = STANDIN, kModel = MODEL_PLAYER, kReferee = REFEREE;

PlayerSetup player(const std::string& command, double time = 5) {
    PlayerSetup p;
    auto err = makePlayer(command, Protocol::BitRow, "", p);
    EXPECT_FALSE(err) << *err;
    p.time = time;
    return p;
}

std::string freshPath(const std::string& name) {
    const std::string path = testing::TempDir() + name;
    std::remove(path.c_str());
    return path;
}

// One turn at the start of a 6 x 6 game: the verdict, the raw result, the wall time.
struct TurnRun {
    Turn turn;
    RunResult raw;
    double seconds = 0;
};
TurnRun turn(const PlayerSetup& p, double margin = 0.5) {
    TurnRun t;
    const Clock::time_point start = Clock::now();
    t.turn = playTurn(p, 6, {{'L', 3}}, margin, &t.raw);
    t.seconds = since(start);
    return t;
}

// Starts the referee program with these arguments, its output to /dev/null (or to fd
// `out`), keeping `keep` open in it as a descriptor inherited from its parent.
pid_t startReferee(const std::vector<std::string>& args, int out = -1, int keep = -1) {
    std::vector<std::string> words = args;
    words.insert(words.begin(), kReferee);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(out >= 0 ? out : null, 1);
        dup2(null, 2);
        if (keep >= 0) fcntl(keep, F_SETFD, 0);  // inherited, not close-on-exec
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int waitStatus(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A child of this process that leaves a grandchild in a session of its own; the child
// ends at once when `orphan`, so that the grandchild comes to this process (a subreaper).
pid_t familyOf(bool orphan) {
    const pid_t child = fork();
    if (child != 0) return child;
    alarm(20);
    if (fork() == 0) {
        alarm(20);
        setsid();
        pause();
    }
    if (orphan) _exit(0);
    pause();
    _exit(0);
}

void countReaped(pid_t, int, void* count) {
    ++*static_cast<int*>(count);
}

TEST(RefereeDescendants, TheSweepKillsEveryChildRoundAfterRoundButTheSpared) {
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const pid_t spared = familyOf(false);
    for (bool orphan : {false, false, true}) familyOf(orphan);
    // Once the orphan's parent has ended (a zombie), its child has come here.
    const Clock::time_point start = Clock::now();
    while (childrenLeft() < 5 && since(start) < 5) usleep(10000);
    int listed = 0;
    ASSERT_TRUE(forEachChild([](pid_t, void* n) { ++*static_cast<int*>(n); }, &listed));
    EXPECT_EQ(listed, 5);  // the spared one, two with their child, a zombie, an orphan
    int reaped = 0;
    EXPECT_EQ(sweepChildren(&spared, 1, countReaped, &reaped), 6);  // and two grandchildren
    EXPECT_EQ(reaped, 6);
    EXPECT_EQ(childrenLeft(), 1);
    EXPECT_FALSE(gone(spared));
    EXPECT_EQ(sweepChildren(nullptr, 0, nullptr, nullptr), 2);  // it, and its child
    EXPECT_EQ(childrenLeft(), 0);
}

TEST(RefereeHostile, ChildrenThatLeaveTheTurnsGroupEndWithIt) {
    for (const char* mode : {"setsid-child", "setpgid-child", "double-fork", "orphan-exits"}) {
        SCOPED_TRACE(mode);
        const std::string pids = freshPath("escape.pids");
        // The child keeps the answer pipe open: the turn still ends when the player does.
        TurnRun t = turn(player(kHostile + " " + mode + " " + pids));
        EXPECT_TRUE(t.turn.move) << t.turn.why;
        EXPECT_EQ(t.raw.end, RunResult::End::Exited);
        EXPECT_LT(t.seconds, 2.0);  // the deadline is 5.5 s
        ASSERT_EQ(readPids(pids).size(), 1u);
        EXPECT_TRUE(allGone(readPids(pids), 0));
        EXPECT_EQ(childrenLeft(), 0);
    }
    // The same in the check before a match.
    const std::string pids = freshPath("probe.pids");
    probePlayer(player(kHostile + " setsid-child " + pids), 6, 0.5, 'a');
    EXPECT_FALSE(readPids(pids).empty());
    EXPECT_TRUE(allGone(readPids(pids), 0));
    EXPECT_EQ(childrenLeft(), 0);
}

TEST(RefereeHostile, AKilledOrStoppedKeeperLeavesNothingBehind) {
    const std::string pids = freshPath("keeper.pids");
    TurnRun killed = turn(player(kHostile + " kill-keeper " + pids));
    EXPECT_EQ(killed.raw.end, RunResult::End::KeeperLost);
    EXPECT_EQ(killed.turn.loss, Loss::Crash);
    EXPECT_NE(killed.turn.why.find("keeper"), std::string::npos) << killed.turn.why;
    EXPECT_LT(killed.seconds, 2.0);
    ASSERT_EQ(readPids(pids).size(), 1u);
    EXPECT_TRUE(allGone(readPids(pids), 0));
    EXPECT_EQ(childrenLeft(), 0);

    // A stopped keeper cannot say the player has ended: the answer is taken at the deadline.
    TurnRun stopped = turn(player(kHostile + " stop-keeper", 0.3), 0.2);
    EXPECT_TRUE(stopped.turn.move) << stopped.turn.why;
    EXPECT_EQ(stopped.raw.end, RunResult::End::Killed);
    EXPECT_GE(stopped.seconds, 0.5);
    EXPECT_LT(stopped.seconds, 2.0);
    EXPECT_EQ(childrenLeft(), 0);
}

TEST(RefereeHostile, AKeeperKilledInOneGameLeavesTheGamesBesideItAlone) {
    // Games two at a time: what the killed keepers leave comes to the referee, which kills it
    // without touching the other game's keeper or player.
    const std::string pids = freshPath("jobs.pids"), out = freshPath("jobs.txt");
    ProgramRun run =
        runProgram({kReferee, "--player", "name=model cmd=" + kModel, "--player",
                    "name=left cmd='" + kStandin + " say L1'", "--player",
                    "name=killer cmd='" + kHostile + " kill-keeper " + pids + "'", "--no-check",
                    "-n", "5", "--random-openings", "2", "--games", "4", "-j", "2", "-o", out});
    ASSERT_EQ(run.status, 0) << run.err;
    RecordFile f = parseRecords(slurp(out));
    ASSERT_EQ(f.records.size(), 12u);
    for (const GameRecord& r : f.records) {
        const bool killer = r.x == "killer" || r.o == "killer";
        EXPECT_EQ(r.loss == Loss::Crash, killer) << r.reason;
        if (killer) {
            EXPECT_NE(r.reason.find("killer) was cut off: its keeper"), std::string::npos)
                << r.reason;
        }
    }
    EXPECT_EQ(readPids(pids).size(), 8u);  // one child per turn of the killer: one a game
    EXPECT_TRUE(allGone(readPids(pids), 0));
    EXPECT_EQ(childrenLeft(), 0);
}

TEST(RefereeHostile, PlayersStartWithOnlyTheStandardDescriptors) {
    const int extra = open("/dev/null", O_RDONLY);  // not close-on-exec
    ASSERT_GE(extra, 3);
    TurnRun t = turn(player(kHostile + " fds"));
    EXPECT_EQ(t.raw.err, "fds: 0 1 2\n");
    // Through the referee program, which inherited the descriptor from its parent.
    const std::string out = freshPath("fds.txt");
    const pid_t ref = startReferee({"-a", kHostile + " fds", "-b", kModel, "--no-check", "--games",
                                    "1", "--max-plies", "2", "-o", out},
                                   -1, extra);
    EXPECT_EQ(waitStatus(ref), 0);
    close(extra);
    RecordFile f = parseRecords(slurp(out));
    ASSERT_EQ(f.records.size(), 1u);
    bool seen = false;
    for (const auto& [key, value] : f.records[0].extra)
        if (key == "stderr") seen = value == "ply 1 x: fds: 0 1 2\n";
    EXPECT_TRUE(seen);
}

TEST(RefereeHostile, ALongMatchWithASetsidChildEveryTurnLeavesNoProcessNorZombie) {
    const std::string pids = freshPath("long.pids"), out = freshPath("long.txt");
    const pid_t ref =
        startReferee({"-a", kHostile + " setsid-child " + pids, "-b", kModel, "--no-check", "-n",
                      "6", "--random-openings", "4", "--games", "16", "-o", out});
    // A process that has just ended is a zombie until its parent, woken by its end, reaps
    // it: a sample may catch one such moment, never a pile.
    int most = 0, status = 0;
    while (waitpid(ref, &status, WNOHANG) == 0) {
        most = std::max(most, zombiesUnder(ref));
        usleep(20000);
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_LE(most, 1);
    EXPECT_GE(readPids(pids).size(), 40u);
    EXPECT_TRUE(allGone(readPids(pids), 0));
    EXPECT_EQ(childrenLeft(), 0);
    EXPECT_EQ(parseRecords(slurp(out)).records.size(), 16u);
}

TEST(RefereeHostile, AKilledRefereeLeavesNoPlayerRunning) {
    const std::string pids = freshPath("linger.pids"), out = freshPath("linger.txt");
    const pid_t ref = startReferee({"-a", kHostile + " linger " + pids, "-b", kModel, "--time",
                                    "20", "--no-check", "-o", out});
    const Clock::time_point start = Clock::now();
    while (readPids(pids).size() < 2 && since(start) < 5) usleep(10000);
    const size_t started = readPids(pids).size();
    kill(ref, SIGKILL);
    waitStatus(ref);
    EXPECT_EQ(started, 2u);  // the player and its child in a session of its own
    EXPECT_TRUE(allGone(readPids(pids), 1.0));
    reapOrphans();  // the dead referee's keeper came to this process, a subreaper too
    EXPECT_EQ(childrenLeft(), 0);
}

TEST(RefereeHostile, ClassicMisbehavioursAreJudgedAndLeaveNothingBehind) {
    struct Case {
        std::vector<std::string> argv;
        Loss loss;           // None: the answer stands
        double atLeast = 0;  // seconds the turn takes
        double atMost = 2;
    };
    const Case cases[] = {
        {{kStandin, "late"}, Loss::Time, 0.5, 2},  // 0.3 s and a margin of 0.2 s
        {{kStandin, "hang"}, Loss::Time, 0.5, 2},
        {{kStandin, "flood"}, Loss::Illegal},     // a line of 300000 bytes
        {{kStandin, "endless"}, Loss::Illegal},   // output without end
        {{kHostile, "binary"}, Loss::Illegal},    // every byte value
        {{kStandin, "noisy"}, Loss::None},        // 200000 bytes of standard error
        {{kHostile, "close-stdin"}, Loss::None},  // closes its input unread
        {{kStandin, "crash"}, Loss::Crash},
        {{kStandin, "partialcrash"}, Loss::Crash},
        {{kStandin, "nothing"}, Loss::Crash},
        {{"/no/such/program"}, Loss::Crash},
    };
    stopDescriptor();  // the referee's stop pipe, opened once for good
    const int descriptors = openDescriptors();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv.back());
        PlayerSetup p;
        p.argv = c.argv;
        p.time = 0.3;
        TurnRun t = turn(p, 0.2);
        EXPECT_EQ(t.turn.loss, c.loss) << t.turn.why;
        EXPECT_EQ(t.turn.move.has_value(), c.loss == Loss::None);
        EXPECT_GE(t.seconds, c.atLeast);
        EXPECT_LT(t.seconds, c.atMost);
        EXPECT_EQ(childrenLeft(), 0);
        EXPECT_EQ(openDescriptors(), descriptors);
    }
}

TEST(RefereeHostile, FilesAreReadOnlyWhenRegularAndWithinTheirLimit) {
    const std::string fifo = freshPath("a.fifo"), big = freshPath("big.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Sparse files: larger than the limits, without the disk space.
    auto sparse = [](const std::string& path, long long bytes) {
        std::ofstream(path).close();
        EXPECT_EQ(truncate(path.c_str(), bytes), 0);
    };
    const std::string cfg = freshPath("big.ini"), openings = freshPath("big-openings.txt");
    sparse(big, (256ll << 20) + 1);
    sparse(cfg, (1ll << 20) + 1);
    sparse(openings, (64ll << 20) + 1);
    const std::vector<std::string> match = {"-a", kModel, "-b", kModel, "--no-check"};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> args = match;
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {with({"-o", "/dev/stdout"}), 2, "/dev/stdout is not a regular file (-o - writes"},
        {with({"-o", "/dev/full"}), 2, "/dev/full is not a regular file"},
        {with({"-o", fifo}), 2, fifo + " is not a regular file"},
        {with({"--json", fifo}), 2, "--json: " + fifo + " is not a regular file"},
        {with({"--report", fifo}), 2, "--report: " + fifo + " is not a regular file"},
        {with({"--openings", "/dev/zero"}), 2, "/dev/zero is not a regular file"},
        {with({"--openings", fifo}), 2, fifo + " is not a regular file"},
        {with({"--openings", openings}), 2, openings + " is larger than 64 MiB"},
        {with({"--config", "/dev/zero"}), 2, "/dev/zero is not a regular file"},
        {with({"--config", cfg}), 2, cfg + " is larger than 1 MiB"},
        {{"tally", "/dev/zero"}, 1, "/dev/zero is not a regular file"},
        {{"tally", fifo}, 1, fifo + " is not a regular file"},
        {{"tally", big}, 1, big + " is larger than 256 MiB"},
        {{"report", "/dev/zero", "-o", freshPath("page.html")},
         1,
         "/dev/zero is not a regular file"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv = c.args;
        argv.insert(argv.begin(), kReferee);
        ProgramRun r = runProgram(argv, 10);
        EXPECT_EQ(r.status, c.status) << c.message << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_LT(r.seconds, 5);
    }
    // -o - is standard output, as for referee report.
    ProgramRun dash = runProgram(
        {kReferee, "-a", kModel, "-b", kModel, "--no-check", "-n", "4", "--games", "1", "-o", "-"});
    EXPECT_EQ(dash.status, 0) << dash.err;
    EXPECT_EQ(parseRecords(dash.out.substr(dash.out.find("4\n"))).records.size(), 1u);
    for (const std::string& f : {fifo, big, cfg, openings}) std::remove(f.c_str());
}

// Waits until the pipe holds `bytes` unread, up to `seconds`.
bool filled(int fd, int bytes, double seconds) {
    const Clock::time_point start = Clock::now();
    int unread = 0;
    while ((ioctl(fd, FIONREAD, &unread) != 0 || unread < bytes) && since(start) < seconds)
        usleep(20000);
    return unread >= bytes;
}

TEST(RefereeHostile, AStopEndsTheRefereeWithinASecondWhateverItDoes) {
    // Writing records to standard output that nobody reads: blocked once the pipe is full
    // (soon: the records keep what the noisy player writes to its standard error).
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t ref = startReferee({"-a", kModel, "-b", kStandin + " noisy", "--no-check", "-n",
                                    "5", "--random-openings", "4", "--games", "400"},
                                   out[1]);
    close(out[1]);
    const bool full = filled(out[0], 50000, 20);
    if (!full) kill(ref, SIGKILL);  // the test harness leaves nothing running
    ASSERT_TRUE(full);
    usleep(200000);
    const Clock::time_point stop = Clock::now();
    kill(ref, SIGTERM);
    EXPECT_EQ(waitStatus(ref), 130);
    EXPECT_LT(since(stop), 1.5);
    close(out[0]);
    reapOrphans();  // a referee that was ended at once left its keeper to this process

    // Stopped in the middle of a match into a file, it resumes and finishes.
    const std::string file = freshPath("stopped.txt");
    const std::vector<std::string> args = {
        "-a", kModel,    "-b", kModel, "--no-check", "-n", "5", "--random-openings",
        "4",  "--games", "24", "-o",   file};
    const pid_t again = startReferee(args);
    usleep(300000);
    kill(again, SIGTERM);
    EXPECT_EQ(waitStatus(again), 130);
    std::vector<std::string> resume = args;
    resume.insert(resume.begin(), kReferee);
    resume.push_back("--resume");
    ProgramRun r = runProgram(resume);
    EXPECT_EQ(r.status, 0) << r.err;
    RecordFile f = parseRecords(slurp(file));
    EXPECT_TRUE(f.problems.empty());
    EXPECT_EQ(f.records.size(), 24u);
    EXPECT_EQ(childrenLeft(), 0);
}

TEST(RefereeHostile, AMatchResumedWithOtherGamesAndTestIsTalliedAsTheRefereePrintedIt) {
    const std::string file = freshPath("resumed.txt");
    auto run = [&](std::vector<std::string> more) {
        std::vector<std::string> args = {kReferee,
                                         "-a",
                                         kModel,
                                         "-b",
                                         kStandin + " say L1",
                                         "--no-check",
                                         "-n",
                                         "5",
                                         "--random-openings",
                                         "4",
                                         "-o",
                                         file};
        args.insert(args.end(), more.begin(), more.end());
        return runProgram(args);
    };
    ASSERT_EQ(run({"--games", "4"}).status, 0);
    ProgramRun more = run({"--games", "6", "--resume"});
    ASSERT_EQ(more.status, 0) << more.err;
    // A test that cannot decide within these few games, so that the last two are played.
    ProgramRun tested = run(
        {"--games", "8", "--resume", "--sprt", "elo0=-5", "elo1=5", "alpha=0.001", "beta=0.001"});
    ASSERT_EQ(tested.status, 0) << tested.err;
    EXPECT_EQ(parseRecords(slurp(file)).records.size(), 8u);
    ProgramRun tally = runProgram({kReferee, "tally", file});
    EXPECT_EQ(tally.status, 0) << tally.err;
    EXPECT_EQ(tally.out, tested.out);
    EXPECT_NE(tally.out.find("8 games, N = 5"), std::string::npos) << tally.out;
    EXPECT_NE(tally.out.find("SPRT on normalised Elo, elo0 -5"), std::string::npos) << tally.out;
}

}  // namespace
