// The referee with real processes: stand-in players that misbehave in every way a player
// can, whole games judged against the model, and the program's matches, resume and stop.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "model/cell_model.h"
#include "referee/cli/play_command.h"
#include "referee/play/game.h"
#include "referee/play/match.h"
#include "referee/play/openings.h"
#include "referee/play/schedule.h"
#include "referee/players/player.h"
#include "referee/players/process.h"
#include "referee/records/counts.h"
#include "referee/records/record.h"
#include "referee/stats/sprt.h"
#include "referee/stats/stats.h"
#include "referee/views/summary.h"
#include "referee_processes.h"
#include "referee_replay.h"
#include "tests/read_file.h"

using namespace referee;
using namespace referee_test;
using model::Move;

namespace {

const std::string kStandin = STANDIN;
const std::string kModelPlayer = MODEL_PLAYER;
const std::string kReferee = REFEREE;

PlayerSetup player(const std::string& command, Protocol protocol = Protocol::BitRow,
                   double time = 5) {
    PlayerSetup p;
    auto err = makePlayer(command, protocol, "", p);
    EXPECT_FALSE(err) << *err;
    p.time = time;
    return p;
}

pid_t readPid(const std::string& path) {
    const std::vector<pid_t> pids = readPids(path);
    return pids.empty() ? 0 : pids[0];
}

TEST(RefereeProcess, TheDeadlineKillsTheWholeGroupAndNothingIsLeft) {
    std::string pidFile = testing::TempDir() + "grandchild.pid";
    RunRequest req;
    req.argv = {kStandin, "latechild", pidFile};
    req.deadline = 0.5;
    Clock::time_point t = Clock::now();
    RunResult r = runProcess(req);
    double took = since(t);
    EXPECT_EQ(r.end, RunResult::End::Killed);
    EXPECT_FALSE(r.answered);
    EXPECT_GE(took, 0.5);
    EXPECT_LT(took, 3.0);
    pid_t grandchild = readPid(pidFile);
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(gone(grandchild));

    req.argv = {kStandin, "hang"};
    EXPECT_EQ(runProcess(req).end, RunResult::End::Killed);
    EXPECT_EQ(childrenLeft(), 0);
}

TEST(RefereeProcess, UntrustedOutputAndUnreadInputAreHandled) {
    RunRequest req;
    req.argv = {kStandin, "noread"};
    req.input = std::string(1 << 20, 'x');  // far more than a pipe holds; nobody reads it
    req.deadline = 5;
    RunResult r = runProcess(req);
    EXPECT_EQ(r.end, RunResult::End::Exited);
    EXPECT_EQ(r.out, "L1\n");
    EXPECT_TRUE(r.answered);

    req.argv = {kStandin, "flood"};
    req.input = "6\n";
    req.keep = 1000;
    r = runProcess(req);
    EXPECT_TRUE(r.outCut);
    EXPECT_EQ(r.out, std::string(1000, 'L'));
    EXPECT_EQ(judgeRun(r, 6, 5).loss, Loss::Illegal);

    // Output without end is judged as soon as it passes what is kept, not at the deadline.
    req.argv = {kStandin, "endless"};
    Clock::time_point t = Clock::now();
    r = runProcess(req);
    EXPECT_LT(since(t), 2.0);
    EXPECT_TRUE(r.outCut);
    EXPECT_EQ(judgeRun(r, 6, 5).loss, Loss::Illegal);

    req.argv = {kStandin, "noisy"};
    r = runProcess(req);
    EXPECT_TRUE(r.errCut);
    EXPECT_EQ(r.err.size(), 1000u);
    EXPECT_EQ(judgeRun(r, 6, 5).move, (Move{'L', 1}));

    req.argv = {"/no/such/player"};
    r = runProcess(req);
    EXPECT_EQ(r.end, RunResult::End::StartFailed);
    EXPECT_NE(r.error.find("/no/such/player"), std::string::npos);
    req.argv = {kStandin, "say", "L1"};
    req.dir = "/no/such/folder";
    EXPECT_EQ(runProcess(req).end, RunResult::End::StartFailed);
    EXPECT_EQ(childrenLeft(), 0);
}

TEST(RefereeTurn, EachProtocolGetsItsInputArgumentsAndFolder) {
    std::vector<Move> moves = {{'L', 3}, {'T', 1}};
    std::string folder = kStandin.substr(0, kStandin.rfind('/'));
    char* real = realpath(folder.c_str(), nullptr);
    ASSERT_TRUE(real);
    folder = real;
    free(real);

    RunResult raw;
    Turn t = playTurn(player(kStandin + " echo"), 6, moves, 1, &raw);
    EXPECT_EQ(t.move, (Move{'L', 1}));
    EXPECT_EQ(raw.err, "args: echo\ndir: " + folder + "\n6\nL3\nT1\n");

    t = playTurn(player(kStandin + " echo", Protocol::ByteBoard, 2.7), 6, moves, 1, &raw);
    EXPECT_EQ(raw.err, "args: echo 2\ndir: " + folder + "\nL3\nT1\n");
    playTurn(player(kStandin + " echo", Protocol::ByteBoard, 0.3), 6, {}, 1, &raw);
    EXPECT_EQ(raw.err, "args: echo 1\ndir: " + folder + "\n");

    PlayerSetup elsewhere;
    ASSERT_FALSE(makePlayer(kStandin + " echo", Protocol::BitRow, "/", elsewhere));
    playTurn(elsewhere, 6, {}, 1, &raw);
    EXPECT_EQ(raw.err, "args: echo\ndir: /\n6\n");
}

GameRecord play(const PlayerSetup& x, const PlayerSetup& o, int n, int maxPlies = 400,
                std::vector<Move> opening = {}, double margin = 0.3) {
    GameSetup s;
    s.size = n;
    s.x = &x;
    s.o = &o;
    s.maxPlies = maxPlies;
    s.margin = margin;
    s.opening = std::move(opening);
    std::optional<GameRecord> r = playGame(s);
    EXPECT_TRUE(r);
    return r ? *r : GameRecord();
}

TEST(RefereeGame, EveryWayOfFailingLosesForTheRightReason) {
    struct Case {
        std::string mode;
        Loss loss;
        std::string reason;  // part of the recorded reason
    };
    const Case cases[] = {
        {"say L7", Loss::Illegal, "'L7'"},  // a move of N = 7 on a 6 x 6 board
        {"say Q3", Loss::Illegal, "'Q3'"},
        {"garbage", Loss::Illegal, "hello world"},
        {"crlf", Loss::Illegal, "L1\\r"},
        {"twolines", Loss::Illegal, "L1\\nL2"},
        {"flood", Loss::Illegal, "LLLL"},
        {"nothing", Loss::Crash, "without answering"},
        {"crash", Loss::Crash, "signal 11"},
        {"exit3", Loss::Crash, "status 3"},
        {"partialcrash", Loss::Crash, "signal 11"},
        {"late", Loss::Time, "no answer within 0.800 s"},
        {"hang", Loss::Time, "no answer"},
    };
    PlayerSetup good = player(kModelPlayer);
    for (const Case& c : cases) {
        PlayerSetup bad = player(kStandin + " " + c.mode, Protocol::BitRow, 0.5);
        for (bool badIsX : {true, false}) {
            Clock::time_point t = Clock::now();
            GameRecord r = badIsX ? play(bad, good, 6) : play(good, bad, 6);
            EXPECT_EQ(r.winner, badIsX ? Winner::O : Winner::X) << c.mode;
            EXPECT_EQ(r.loss, c.loss) << c.mode;
            EXPECT_EQ(r.moves.size(), badIsX ? 0u : 1u) << c.mode;
            EXPECT_NE(r.reason.find(c.reason), std::string::npos) << c.mode << ": " << r.reason;
            EXPECT_NE(r.reason.find(badIsX ? "X (standin.sh)" : "O (standin.sh)"),
                      std::string::npos);
            EXPECT_EQ(replayMismatch(r, 400), "") << c.mode;
            if (c.loss == Loss::Time) {
                EXPECT_LT(since(t), 3.0) << c.mode;
                EXPECT_GE(badIsX ? r.timeX : r.timeO, 0.8) << c.mode;
            }
        }
    }
    GameRecord r = play(player(kStandin + " exit3"), good, 6);
    ASSERT_FALSE(r.extra.empty());
    EXPECT_EQ(r.extra[0],
              (std::pair<std::string, std::string>{"stderr", "ply 1 x: cannot think\n"}));
    EXPECT_EQ(childrenLeft(), 0);
}

TEST(RefereeGame, AnswersThatStandDespiteTheirManners) {
    PlayerSetup good = player(kModelPlayer);
    for (const char* mode : {"nonewline", "answercrash", "answerlinger", "noread", "noisy"}) {
        PlayerSetup odd = player(kStandin + " " + mode, Protocol::BitRow, 0.5);
        GameRecord r = play(odd, good, 6, 2);
        EXPECT_EQ(r.winner, Winner::None) << mode;
        ASSERT_EQ(r.moves.size(), 2u) << mode;
        EXPECT_EQ(r.moves[0], (Move{'L', 1})) << mode;
        EXPECT_EQ(replayMismatch(r, 2), "") << mode;
    }
    EXPECT_EQ(childrenLeft(), 0);
}

TEST(RefereeGame, RepeatingAPositionLosesAndStraightsWin) {
    // Column 2 of a 3 x 3 board: after T2 B2, T2 five times brings back the position
    // after ply 2 with X to move... at ply 7, made by X.
    PlayerSetup t2 = player(kStandin + " say T2");
    GameRecord r = play(t2, t2, 3, 400, {{'T', 2}, {'B', 2}});
    EXPECT_EQ(r.moves.size(), 7u);
    EXPECT_EQ(r.winner, Winner::O);
    EXPECT_EQ(r.loss, Loss::Repetition);
    EXPECT_EQ(r.openingPlies, 2);
    EXPECT_EQ(replayMismatch(r, 400), "");

    // X's third L1 fills row 1 of a 2 x 2 board.
    PlayerSetup l1 = player(kStandin + " say L1"), l2 = player(kStandin + " say L2");
    r = play(l1, l2, 2);
    EXPECT_EQ(r.moves.size(), 3u);
    EXPECT_EQ(r.winner, Winner::X);
    EXPECT_EQ(r.loss, Loss::Straights);
    EXPECT_EQ(replayMismatch(r, 400), "");
}

TEST(RefereeGame, LegalPlayersOfBothProtocolsPlayWholeGames) {
    PlayerSetup bitrow = player(kModelPlayer);
    PlayerSetup byteboard = player(kModelPlayer + " --byteboard 5", Protocol::ByteBoard);
    for (int cap : {400, 9}) {
        for (bool swap : {false, true}) {
            GameRecord r = swap ? play(byteboard, bitrow, 5, cap) : play(bitrow, byteboard, 5, cap);
            EXPECT_GT(r.moves.size(), 0u);
            EXPECT_EQ(replayMismatch(r, cap), "") << r.reason;
            EXPECT_TRUE(r.loss == Loss::None || r.loss == Loss::Straights ||
                        r.loss == Loss::Repetition)
                << r.reason;
            EXPECT_GT(r.timeX, 0);
            EXPECT_GT(r.timeO, 0);
        }
    }
}

// Runs the referee program; its exit status, standard output and error.
ProgramRun referee(std::vector<std::string> args, double deadline = 60) {
    args.insert(args.begin(), kReferee);
    ProgramRun r = runProgram(args, deadline);
    EXPECT_GE(r.status, 0) << r.err;
    return r;
}

std::vector<std::string> matchArgs(const std::string& output) {
    return {"-a",
            kModelPlayer,
            "--a-name",
            "bit",
            "-b",
            kModelPlayer + " --byteboard 5",
            "--b-proto",
            "byteboard",
            "--b-name",
            "byte",
            "-n",
            "5",
            "--random-openings",
            "3",
            "--seed",
            "7",
            "--games",
            "6",
            "-j",
            "2",
            "-o",
            output};
}

// The games of matchArgs(), by number, checked against the schedule: legal games, a and b
// swapping colours over the openings, each opening's plies first.
std::map<int, GameRecord> scheduledGames(const RecordFile& f) {
    auto openings = randomOpenings(5, 3, 3, 7);
    EXPECT_TRUE(openings);
    std::map<int, GameRecord> byGame;
    for (const GameRecord& r : f.records) {
        EXPECT_TRUE(r.complete);
        EXPECT_EQ(replayMismatch(r, 400), "") << r.game;
        byGame[r.game] = r;
    }
    for (const auto& [g, r] : byGame) {
        EXPECT_EQ(r.x, g % 2 ? "byte" : "bit");
        EXPECT_EQ(r.o, g % 2 ? "bit" : "byte");
        EXPECT_EQ(r.opening, g / 2);
        EXPECT_EQ(r.openingPlies, 3);
        if (!openings || g / 2 >= static_cast<int>(openings->size())) continue;
        const Opening& o = (*openings)[g / 2];
        EXPECT_GE(r.moves.size(), 3u);
        if (r.moves.size() >= o.size()) {
            EXPECT_TRUE(std::equal(o.begin(), o.end(), r.moves.begin())) << g;
        }
    }
    return byGame;
}

TEST(RefereeProgram, MatchesSwapColoursOverTheOpeningsAndResume) {
    std::string path = testing::TempDir() + "match.txt";
    std::remove(path.c_str());
    ProgramRun run = referee(matchArgs(path));
    ASSERT_EQ(run.status, 0) << run.err;
    std::string full = slurp(path);
    RecordFile f = parseRecords(full);
    EXPECT_TRUE(f.problems.empty());
    ASSERT_EQ(f.records.size(), 6u);
    const std::map<int, GameRecord> byGame = scheduledGames(f);
    ASSERT_EQ(byGame.size(), 6u);
    EXPECT_NE(run.out.find("bit "), std::string::npos);
    EXPECT_NE(run.out.find("Elo"), std::string::npos);
    int progress = 0;
    for (size_t at = 0; (at = run.err.find(" of 6 games done", at)) != std::string::npos; at++)
        progress++;
    EXPECT_EQ(progress, 6);

    // Not again into the same file by accident, nor resumed as another match.
    EXPECT_EQ(referee(matchArgs(path)).status, 1);
    std::vector<std::string> other = matchArgs(path);
    other[3] = "bits";
    other.push_back("--resume");
    EXPECT_EQ(referee(other).status, 1);
    EXPECT_EQ(slurp(path), full);

    // Stopped after three games, in the middle of writing the fourth.
    size_t third = 0;
    for (int i = 0; i < 3; i++) third = full.find("# end\n\n", third) + 7;
    std::string kept = full.substr(0, third);
    std::ofstream(path, std::ios::binary) << kept << full.substr(third, 25);
    std::vector<std::string> again = matchArgs(path);
    again.push_back("--resume");
    run = referee(again);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("resuming, 3 of 6"), std::string::npos) << run.err;
    std::string resumed = slurp(path);
    EXPECT_EQ(resumed.substr(0, kept.size()), kept);
    f = parseRecords(resumed);
    EXPECT_TRUE(f.problems.empty());
    std::set<int> games;
    for (const GameRecord& r : f.records) {
        EXPECT_TRUE(r.complete);
        EXPECT_TRUE(games.insert(r.game).second) << r.game;
    }
    EXPECT_EQ(games.size(), 6u);
    // Each game is the same whoever plays it when: the players are deterministic.
    for (const GameRecord& r : f.records) EXPECT_EQ(r.moves, byGame.at(r.game).moves) << r.game;

    // A finished match resumes to nothing new.
    run = referee(again);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(slurp(path), resumed);
    EXPECT_NE(run.out.find("6 games, N = 5"), std::string::npos);
}

TEST(RefereeProgram, StopsCleanlyOnATerminationSignal) {
    std::string pidFile = testing::TempDir() + "stopped.pid",
                out = testing::TempDir() + "stopped.txt";
    std::remove(pidFile.c_str());
    std::remove(out.c_str());
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::string a = kStandin + " latechild " + pidFile;
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(kReferee.c_str(), kReferee.c_str(), "-a", a.c_str(), "-b", kModelPlayer.c_str(),
              "--time", "20", "-o", out.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    Clock::time_point t = Clock::now();
    while (readPid(pidFile) <= 0 && since(t) < 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pid_t grandchild = readPid(pidFile);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_LT(since(t), 5.0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    ASSERT_GT(grandchild, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(gone(grandchild) || childrenLeft() == 0);
    EXPECT_TRUE(parseRecords(slurp(out)).records.empty());  // no half-played game recorded
}

TEST(RefereeProgram, RefusesBadArguments) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"-a", kModelPlayer},
        {"-a", kModelPlayer, "-b", "/no/such/player"},
        {"-a", kModelPlayer, "-b", kModelPlayer, "-n", "21"},
        {"-a", kModelPlayer, "-b", kModelPlayer, "-n", "0"},
        {"-a", kModelPlayer, "-b", kModelPlayer, "--time", "1s"},
        {"-a", kModelPlayer, "-b", kModelPlayer, "--games", "-2"},
        {"-a", kModelPlayer, "-b", kModelPlayer, "--a-proto", "morse"},
        {"-a", kModelPlayer, "-b", kModelPlayer, "--openings", "/no/such/file"},
        {"-a", kModelPlayer, "-b", kModelPlayer, "--resume"},
        {"-a", kModelPlayer, "-b", kModelPlayer, "--frobnicate", "1"},
        {"-a", kModelPlayer, "-b", kModelPlayer, "--random-openings", "3", "--max-plies", "3"},
        {"-a", "'unbalanced", "-b", kModelPlayer},
        // A byte-board player gets whole seconds: 1.5 s or half a second cannot be given.
        {"-a", kModelPlayer, "-b", kModelPlayer, "--b-proto", "byteboard", "--time", "1.5"},
        {"-a", kModelPlayer, "-b", kModelPlayer, "--a-proto", "byteboard", "--a-time", "0.5"},
    };
    for (const auto& args : bad) {
        ProgramRun r = referee(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args.back());
        EXPECT_NE(r.err.find("referee: "), std::string::npos);
    }
    EXPECT_NE(referee(bad[bad.size() - 2]).err.find("whole"), std::string::npos);
    EXPECT_NE(referee(bad.back()).err.find("whole"), std::string::npos);
    EXPECT_EQ(referee({"--help"}).status, 0);
}

TEST(RefereeProgram, ShowsTheBoardAndWritesRecordsToStandardOutput) {
    ProgramRun r = referee({"-a", kStandin + " say T2", "-b", kStandin + " say B2", "-n", "3",
                            "--games", "1", "--show", "--max-plies", "3", "--no-check"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("ply 1: X (standin.sh-a) T2 in "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    +---v---+\n"), std::string::npos);
    EXPECT_NE(r.out.find("    +---^---+\n"), std::string::npos);
    EXPECT_NE(r.out.find("straights X 0, O 0"), std::string::npos);
    RecordFile f = parseRecords(r.out.substr(r.out.find("\n3\n") + 1));
    ASSERT_GE(f.records.size(), 1u);
    EXPECT_TRUE(f.records[0].complete);
    EXPECT_EQ(f.records[0].moves, (std::vector<Move>{{'T', 2}, {'B', 2}, {'T', 2}}));
}

// The names in a folder, . and .. left out.
std::vector<std::string> listFolder(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

// Runs the referee in `dir` with its standard output on a terminal (a pseudo-terminal) and
// its standard error in `err`; what the terminal showed.
std::string onTerminal(const std::vector<std::string>& args, const std::string& dir,
                       const std::string& err, int& status) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(master, 0);
    EXPECT_EQ(grantpt(master), 0);
    EXPECT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    std::vector<std::string> words = args;
    words.insert(words.begin(), kReferee);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        setsid();
        int tty = open(slave.c_str(), O_RDWR);
        int log = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int none = open("/dev/null", O_RDONLY);
        if (tty < 0 || log < 0 || none < 0 || chdir(dir.c_str()) != 0) _exit(126);
        dup2(none, 0);
        dup2(tty, 1);
        dup2(log, 2);
        alarm(60);  // the harness's bound on a stuck run
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::string shown;
    char buf[4096];
    for (ssize_t got; (got = read(master, buf, sizeof buf)) > 0 || (got < 0 && errno == EINTR);)
        if (got > 0) shown.append(buf, static_cast<size_t>(got));
    waitpid(pid, &status, 0);
    close(master);
    return shown;
}

TEST(RefereeProgram, RecordsGoToAFileRatherThanToATerminal) {
    EXPECT_EQ(recordFileName(0, [](const std::string&) { return false; }),
              "referee-19700101-000000.txt");
    std::set<std::string> taken{"referee-19700101-000000.txt", "referee-19700101-000000-2.txt"};
    EXPECT_EQ(recordFileName(0, [&](const std::string& f) { return taken.count(f) > 0; }),
              "referee-19700101-000000-3.txt");

    const std::string dir = testing::TempDir() + "terminal";
    mkdir(dir.c_str(), 0755);
    for (const std::string& f : listFolder(dir)) std::remove((dir + "/" + f).c_str());
    int status = -1;
    const std::string shown =
        onTerminal({"-a", kStandin + " say T2", "-b", kStandin + " say B2", "-n", "3", "--games",
                    "1", "--max-plies", "3", "--no-check"},
                   dir, dir + "/../terminal-err.txt", status);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
    EXPECT_EQ(shown.find("# end"), std::string::npos) << shown;  // no record on the terminal
    EXPECT_NE(shown.find("1 game, N = 3"), std::string::npos) << shown;
    std::vector<std::string> files = listFolder(dir);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].rfind("referee-", 0), 0u) << files[0];
    RecordFile f = parseRecords(slurp(dir + "/" + files[0]));
    ASSERT_EQ(f.records.size(), 1u);
    EXPECT_TRUE(f.records[0].complete);
    EXPECT_NE(slurp(dir + "/../terminal-err.txt").find("the records go to " + files[0]),
              std::string::npos);
}

// The line after each game of a tested match: the ratio, the games left, and the Elo's
// interval itself, however lopsided.
void expectRunningLines(const std::string& err) {
    EXPECT_NE(err.find("LLR "), std::string::npos);
    EXPECT_NE(err.find(" left, about "), std::string::npos);
    EXPECT_TRUE(std::regex_search(
        err, std::regex("Elo [+-](inf|[0-9]+) \\[[+-](inf|[0-9]+), [+-](inf|[0-9]+)\\]")))
        << err;
}

// A record of the tested match below says how it was made: the time of every ply (none for
// the opening's) and the settings.
void expectTestedMatchRecord(const GameRecord& r) {
    ASSERT_TRUE(r.complete);
    ASSERT_EQ(r.moveTimes.size(), r.moves.size());
    for (size_t i = 0; i < r.moves.size(); i++)
        EXPECT_EQ(r.moveTimes[i] < 0, static_cast<int>(i) < r.openingPlies) << i;
    std::map<std::string, std::string> set(r.settings.begin(), r.settings.end());
    EXPECT_EQ(set["a-command"], kModelPlayer);
    EXPECT_EQ(set["b-command"], kStandin + " say L1");
    EXPECT_EQ(set["b-protocol"], "bitrow");
    EXPECT_EQ(set["a-time"], "30");
    EXPECT_EQ(set["margin"], "1");
    EXPECT_EQ(set["max-plies"], "400");
    EXPECT_EQ(set["size"], "5");
    EXPECT_EQ(set["openings"], "random, 2 plies, seed 1");
    EXPECT_EQ(set["sprt"], "elo0=-10 elo1=10 alpha=0.2 beta=0.2");
    EXPECT_FALSE(set["version"].empty());
    EXPECT_EQ(set["date"].size(), 20u) << set["date"];
}

TEST(RefereeProgram, SprtEndsTheMatchAndRecordsSayHowTheyWereMade) {
    std::string path = testing::TempDir() + "sprt.txt";
    std::remove(path.c_str());
    std::vector<std::string> args = {"-a",         kModelPlayer, "-b",        kStandin + " say L1",
                                     "--no-check", "-n",         "5",         "--random-openings",
                                     "2",          "--games",    "200",       "--sprt",
                                     "elo0=-10",   "elo1=10",    "alpha=0.2", "beta=0.2",
                                     "-o",         path};
    ProgramRun run = referee(args);
    ASSERT_EQ(run.status, 0) << run.err;
    RecordFile f = parseRecords(slurp(path));
    EXPECT_TRUE(f.problems.empty());
    ASSERT_GT(f.records.size(), 2u);
    ASSERT_LT(f.records.size(), 200u);
    // One game at a time: the test ends with the first game that takes the ratio across a
    // bound, and not before.
    SprtSettings s{-10, 10, 0.2, 0.2};
    std::vector<GameRecord> upTo;
    for (size_t i = 0; i < f.records.size(); i++) {
        upTo.push_back(f.records[i]);
        double llr = sprtLlr(s, pairCounts(upTo, "model_player"));
        bool crossed = llr <= s.lowerBound() || llr >= s.upperBound();
        EXPECT_EQ(crossed, i + 1 == f.records.size()) << i << " " << llr;
    }
    double llr = sprtLlr(s, pairCounts(upTo, "model_player"));
    const char* verdict = llr >= s.upperBound() ? "H1 accepted" : "H0 accepted";
    EXPECT_NE(run.err.find(verdict), std::string::npos) << run.err;
    EXPECT_NE(run.out.find(verdict), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(std::to_string(f.records.size()) + " games, N = 5"), std::string::npos);
    expectRunningLines(run.err);
    EXPECT_NE(run.out.find("model_player move times: "), std::string::npos);

    for (const GameRecord& r : f.records) expectTestedMatchRecord(r);

    // Resumed as it was: the test has decided, nothing more is played.
    std::string before = slurp(path);
    std::vector<std::string> same = args;
    same.push_back("--resume");
    ProgramRun resumed = referee(same);
    EXPECT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_NE(resumed.err.find(verdict), std::string::npos) << resumed.err;
    EXPECT_EQ(slurp(path), before);

    // Resumed with another time per move or margin: refused, naming what changed.
    for (const auto& [option, value, name] :
         {std::tuple{"--b-time", "10", "b-time"}, std::tuple{"--margin", "2", "margin"},
          std::tuple{"--max-plies", "300", "max-plies"}}) {
        std::vector<std::string> other = args;
        other.insert(other.end(), {option, value, "--resume"});
        ProgramRun again = referee(other);
        EXPECT_EQ(again.status, 1);
        EXPECT_NE(again.err.find(std::string("other settings (") + name + ":"), std::string::npos)
            << again.err;
    }
    EXPECT_EQ(slurp(path), before);
}

TEST(RefereeProgram, PlayersThatCannotPlayAreRefusedBeforeTheFirstGame) {
    std::string path = testing::TempDir() + "checked.txt";
    std::remove(path.c_str());
    // A player that reads the moves only, given the size line first: it answers for
    // another position, and misses the winning move.
    ProgramRun wrong = referee({"-a", kModelPlayer + " --byteboard 5", "-b", kModelPlayer, "-n",
                                "5", "--games", "2", "-o", path});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("wins at once it answered"), std::string::npos) << wrong.err;
    EXPECT_NE(wrong.err.find("--a-proto, now bitrow"), std::string::npos) << wrong.err;
    EXPECT_TRUE(parseRecords(slurp(path)).records.empty());
    // The same player with its protocol plays.
    ProgramRun right = referee({"-a", kModelPlayer + " --byteboard 5", "--a-proto", "byteboard",
                                "-b", kModelPlayer, "-n", "5", "--games", "2", "-o", path});
    EXPECT_EQ(right.status, 0) << right.err;
    EXPECT_EQ(parseRecords(slurp(path)).records.size(), 2u);

    // Too slow for its time: named with the time to check.
    ProgramRun late = referee({"-a", kModelPlayer, "-b", kStandin + " late", "--b-time", "0.5",
                               "--margin", "0.2", "-n", "5", "--games", "2"});
    EXPECT_EQ(late.status, 1);
    EXPECT_NE(late.err.find("no move in time"), std::string::npos) << late.err;
    EXPECT_NE(late.err.find("--b-time"), std::string::npos) << late.err;
    EXPECT_EQ(late.out.find("# end"), std::string::npos);
    // No answer at all: the folder and protocol are named.
    ProgramRun silent = referee({"-a", kModelPlayer, "-b", kStandin + " exit3", "-n", "5"});
    EXPECT_EQ(silent.status, 1);
    EXPECT_NE(silent.err.find("cannot think"), std::string::npos) << silent.err;
    EXPECT_NE(silent.err.find("--b-dir"), std::string::npos) << silent.err;
    // --no-check lets it play (and lose).
    ProgramRun unchecked =
        referee({"-a", kModelPlayer, "-b", kStandin + " exit3", "-n", "5", "--no-check"});
    EXPECT_EQ(unchecked.status, 0) << unchecked.err;

    // A byte-board time that is not whole seconds, and hidden repeats.
    ProgramRun half = referee({"-a", kModelPlayer, "-b", kModelPlayer + " --byteboard 5",
                               "--b-proto", "byteboard", "--b-time", "1.5", "-n", "5"});
    EXPECT_EQ(half.status, 2);
    EXPECT_NE(half.err.find("whole number of seconds"), std::string::npos) << half.err;
    ProgramRun repeats =
        referee({"-a", kModelPlayer, "-b", kModelPlayer, "-n", "5", "--games", "3"});
    EXPECT_EQ(repeats.status, 2);
    EXPECT_NE(repeats.err.find("game 2 would start like game 0"), std::string::npos) << repeats.err;
    ProgramRun allowed = referee(
        {"-a", kModelPlayer, "-b", kModelPlayer, "-n", "5", "--games", "3", "--allow-repeats"});
    EXPECT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_NE(allowed.out.find("3 games, N = 5"), std::string::npos);
}

TEST(RefereeProgram, ShardsPlayTheirOwnGamesAndTheTallyIsTheWholeRun) {
    // A round robin of three players in one piece and in two shards.
    const std::string dir = testing::TempDir();
    std::vector<std::string> base = {"--player",   "name=model cmd=" + kModelPlayer,
                                     "--player",   "name=left cmd='" + kStandin + " say L1'",
                                     "--player",   "name=top cmd='" + kStandin + " say T1'",
                                     "--no-check", "-n",
                                     "5",          "--random-openings",
                                     "2",          "--games",
                                     "4",          "-j",
                                     "2"};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> args = base;
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    std::vector<std::string> files;
    for (const char* name : {"rr-one.txt", "rr-0.txt", "rr-1.txt", "rr.json"}) {
        files.push_back(dir + name);
        std::remove(files.back().c_str());
    }
    ProgramRun one = referee(with({"-o", files[0]}));
    ASSERT_EQ(one.status, 0) << one.err;
    for (int k = 0; k < 2; k++) {
        ProgramRun shard = referee(with({"--shard", std::to_string(k) + "/2", "-o", files[1 + k]}));
        ASSERT_EQ(shard.status, 0) << shard.err;
        RecordFile f = parseRecords(slurp(files[1 + k]));
        ASSERT_EQ(f.records.size(), 6u);
        for (const GameRecord& r : f.records) EXPECT_EQ(r.game % 2, k);
    }
    ProgramRun tally = referee({"tally", files[1], files[2], "--json", files[3]});
    ASSERT_EQ(tally.status, 0) << tally.err;
    EXPECT_EQ(tally.out, one.out);
    EXPECT_NE(one.out.find("12 games, N = 5, round-robin of 3 players"), std::string::npos)
        << one.out;
    EXPECT_NE(slurp(files[3]).find("\"kind\": \"round-robin\""), std::string::npos);

    // A shard's file resumed as another shard, and the same game in two files, are refused.
    ProgramRun wrongShard = referee(with({"--shard", "1/2", "-o", files[1], "--resume"}));
    EXPECT_EQ(wrongShard.status, 1);
    EXPECT_NE(wrongShard.err.find("not one of shard 1/2"), std::string::npos) << wrongShard.err;
    ProgramRun anchored = referee({"tally", "--anchor", "left", files[0]});
    ASSERT_EQ(anchored.status, 0) << anchored.err;
    EXPECT_NE(anchored.out.find("ratings relative to left (0)"), std::string::npos) << anchored.out;
    EXPECT_NE(one.out.find("ratings relative to model (0)"), std::string::npos) << one.out;
    EXPECT_EQ(referee({"tally", "--anchor", "nobody", files[0]}).status, 2);
    // X's advantage is fitted unless asked not to, and then named as left out.
    EXPECT_NE(one.out.find("first move (X): "), std::string::npos) << one.out;
    ProgramRun alike = referee({"tally", "--no-first-move", files[0]});
    ASSERT_EQ(alike.status, 0) << alike.err;
    EXPECT_NE(alike.out.find("first move not modelled"), std::string::npos) << alike.out;
    EXPECT_EQ(alike.out.substr(0, alike.out.find("rank")), one.out.substr(0, one.out.find("rank")));
    ProgramRun twice = referee({"tally", files[1], files[0]});
    EXPECT_EQ(twice.status, 1);
    EXPECT_NE(twice.err.find("appears twice"), std::string::npos) << twice.err;
}

TEST(RefereeProgram, ShardsOfATestedMatchPlayAllTheirGamesAndTheTallyDecides) {
    // In one piece this match stops after a few games (see the test above); a shard cannot
    // see the others' games, so it plays all of its own, and the tally gives the verdict on
    // all of them.
    const std::string dir = testing::TempDir();
    std::vector<GameRecord> all;
    std::vector<std::string> files;
    for (int k = 0; k < 2; k++) {
        files.push_back(dir + "sprt-shard-" + std::to_string(k) + ".txt");
        std::remove(files.back().c_str());
        ProgramRun run = referee({"-a",         kModelPlayer,
                                  "-b",         kStandin + " say L1",
                                  "--no-check", "-n",
                                  "5",          "--random-openings",
                                  "2",          "--games",
                                  "24",         "--sprt",
                                  "elo0=-10",   "elo1=10",
                                  "alpha=0.2",  "beta=0.2",
                                  "--shard",    std::to_string(k) + "/2",
                                  "-o",         files.back()});
        ASSERT_EQ(run.status, 0) << run.err;
        RecordFile f = parseRecords(slurp(files.back()));
        EXPECT_EQ(f.records.size(), 12u);
        all.insert(all.end(), f.records.begin(), f.records.end());
    }
    ProgramRun tally = referee({"tally", files[0], files[1]});
    ASSERT_EQ(tally.status, 0) << tally.err;
    SprtSettings s{-10, 10, 0.2, 0.2};
    double llr = sprtLlr(s, pairCounts(all, "model_player"));
    const char* verdict = llr >= s.upperBound()   ? "H1 accepted"
                          : llr <= s.lowerBound() ? "H0 accepted"
                                                  : "no decision";
    EXPECT_NE(tally.out.find(verdict), std::string::npos) << tally.out;
    EXPECT_NE(tally.out.find("24 games, N = 5"), std::string::npos) << tally.out;
}

}  // namespace
