// The bit-row players run as programs: input forms, refusals, and the hand-over to the
// wider builds from a working directory of their own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "referee/players/process.h"

namespace fs = std::filesystem;

namespace {

struct Turn {
    int status = -1;  // exit code, or 128 + signal
    std::string out, err;
};

Turn run(const std::vector<std::string>& argv, const std::string& input,
         const std::string& dir = "", double deadline = 40) {
    referee::RunRequest req;
    req.argv = argv;
    req.dir = dir;
    req.input = input;
    req.deadline = deadline;
    req.keep = 1 << 20;
    const referee::RunResult r = referee::runProcess(req);
    Turn t;
    t.out = r.out;
    t.err = r.err;
    if (r.end == referee::RunResult::End::Exited) t.status = r.status;
    if (r.end == referee::RunResult::End::Signalled) t.status = 128 + r.status;
    return t;
}

// X X ... X . / O O ... O . / ... with X to move: X's first winning move in index order is
// L1 (every move that completes row 1 wins; L1 has the lowest index).
std::string decided(int n) {
    std::string s = std::to_string(n) + "\n";
    for (int i = 0; i < n - 1; i++) s += "L1\nL2\n";
    return s;
}

Turn run(const std::string& program, const std::string& input, const std::string& dir = "",
         double deadline = 40) {
    return run(std::vector<std::string>{program}, input, dir, deadline);
}

TEST(BitrowProgram, DecidedPositionsAreAnsweredAtOnceWhateverTheSizeLineForm) {
    for (const std::string& rec : std::vector<std::string>{
             decided(3), "   3 boards\n" + decided(3).substr(2), "+3\nL01\nL02\nL01\nL02\n",
             decided(3) + "L1x\nR3\n", decided(3) + "T4\nB1\n", decided(3) + "L0\nB1\n"}) {
        const Turn t = run(SHOVER8, rec);
        EXPECT_EQ(t.status, 0) << rec;
        EXPECT_EQ(t.out, "L1\n") << rec;
        EXPECT_EQ(t.err, "");
    }
    for (int n = 1; n <= 8; n++) EXPECT_EQ(run(SHOVER8, decided(n)).out, "L1\n") << n;
}

// -h, --help and --version alone make each build say what it is, without reading its
// input; any other arguments are ignored as before, and the record is answered.
TEST(BitrowProgram, HelpAndVersionOnlyAsTheOnlyArgument) {
    const std::string dir = fs::path(SHOVER8).parent_path();  // holds support/
    const std::pair<std::string, std::string> builds[] = {
        {SHOVER8, "shover8"}, {SHOVER16, "shover16"}, {SHOVER20, "shover20"}};
    for (const auto& [path, name] : builds) {
        for (const char* ask : {"-h", "--help"}) {
            const Turn t = run({path, ask}, decided(3), dir, 5);
            EXPECT_EQ(t.status, 0) << name;
            EXPECT_EQ(t.out.rfind("Usage: " + name + " < RECORD\n", 0), 0u) << t.out;
            for (const char* part : {"\nInput:\n", "\nTime limit:\n  29.5 seconds per turn",
                                     "\nExit status:\n  0   the move was written\n"})
                EXPECT_NE(t.out.find(part), std::string::npos) << name << ": " << part;
            EXPECT_EQ(t.err, "");
        }
        const Turn v = run({path, "--version"}, decided(3), dir, 5);
        EXPECT_EQ(v.status, 0);
        EXPECT_TRUE(std::regex_match(
            v.out, std::regex(name + " [0-9]+\\.[0-9]+\\.[0-9]+ \\(commit [^ ]+\\)\n")))
            << v.out;
        for (const std::vector<std::string>& args :
             std::vector<std::vector<std::string>>{{"--help", "x"},
                                                   {"-h", "-h"},
                                                   {"--version", "1"},
                                                   {"-help"},
                                                   {"--HELP"},
                                                   {"help"},
                                                   {"--version=1"},
                                                   {""}}) {
            std::vector<std::string> argv = {path};
            argv.insert(argv.end(), args.begin(), args.end());
            const Turn t = run(argv, decided(3), dir, 5);
            EXPECT_EQ(t.status, 0) << name << " " << args[0];
            EXPECT_EQ(t.out, "L1\n") << name << " " << args[0];
        }
    }
}

TEST(BitrowProgram, UnreadableLinesEndTheRecordWhereTheyStand) {
    // Each record must be answered exactly like the record cut before its unreadable line.
    const std::pair<std::string, std::string> same[] = {
        {"3\r\nL1\r\nL2\r\n", "3\n"},              // CR: the first move is unreadable
        {"3\nL1\nL2\nL1\nL2", "3\nL1\nL2\nL1\n"},  // last line without newline
        {"3\nl1\nL2\n", "3\n"},                    // lower case
        {"3\n L1\n", "3\n"},                       // leading blank
        {"3\nL1\n\nL2\nL1\nL2\n", "3\nL1\n"},      // blank line
    };
    for (const auto& [input, cut] : same) {
        const Turn a = run(SHOVER8, input), b = run(SHOVER8, cut);
        EXPECT_EQ(a.status, 0);
        EXPECT_EQ(a.out, b.out) << input;
        EXPECT_EQ(a.out.size() >= 3 && a.out.back() == '\n', true);
    }
}

TEST(BitrowProgram, BadRecordsAreRefusedWithoutAMove) {
    for (const char* bad : {"", "0\n", "-4\n", "six\n", "\n3\n"}) {
        const Turn t = run(SHOVER8, bad);
        EXPECT_EQ(t.status, 1) << bad;
        EXPECT_EQ(t.out, "");
        EXPECT_NE(t.err, "");
    }
    // A record that repeats a position: the diagnostic names the failed check.
    const Turn rep = run(SHOVER8, "3\nT2\nB2\nT2\nT2\nT2\nT2\nT2\n");
    EXPECT_NE(rep.status, 0);
    EXPECT_EQ(rep.out, "");
    for (const char* word : {"pushHist()", "main", "play", "676"})
        EXPECT_NE(rep.err.find(word), std::string::npos) << word;
}

// From N = 16 on, different positions can share a key: X in column N and O in column N - 15
// of a row cancel in it. Such a record is a legal game and is answered (here by shover20
// after the hand-over, at its full budget); a record that really repeats is still refused.
TEST(BitrowProgram, WideRecordsWhoseKeysCollideAreAnsweredRealRepeatsRefused) {
    const std::string dir = fs::path(SHOVER8).parent_path();
    const Turn t = run(SHOVER8, "20\nR1\nT5\n", dir);
    EXPECT_EQ(t.status, 0) << t.err;
    const std::string move = t.out.substr(0, t.out.size() - 1);
    EXPECT_TRUE(move.size() >= 2 && move.size() <= 3 && t.out.back() == '\n') << t.out;
    EXPECT_NE(std::string("LRTB").find(move[0]), std::string::npos) << t.out;
    const int number = std::atoi(move.c_str() + 1);
    EXPECT_TRUE(number >= 1 && number <= 20) << t.out;

    std::string repeat = "20\nR1\nT5\n";
    for (int i = 0; i < 22; i++) repeat += "L2\n";  // row 2 full, then two more: a repeat
    const Turn rep = run(SHOVER8, repeat, dir);
    EXPECT_EQ(rep.out, "");
    EXPECT_NE(rep.err.find("pushHist()"), std::string::npos) << rep.err;
}

// A working directory with support/ holding the given programs (copied or written).
struct Folder {
    fs::path dir;
    Folder() {
        char tmpl[] = "/tmp/bitrow-handover-XXXXXX";
        dir = mkdtemp(tmpl);
        fs::create_directory(dir / "support");
    }
    ~Folder() { fs::remove_all(dir); }
    void install(const std::string& name, const std::string& from) {
        fs::copy_file(from, dir / "support" / name);
    }
    // A stand-in that records its standard input and argv[0], then runs `tail`.
    void standIn(const std::string& name, const std::string& tail) {
        const fs::path p = dir / "support" / name;
        std::ofstream(p) << "#!/bin/sh\necho \"$0\" > " << name << ".argv0\ncat > " << name
                         << ".stdin\n"
                         << tail << "\n";
        fs::permissions(p, fs::perms::owner_all);
    }
    std::string read(const std::string& file) const {
        std::ifstream in(dir / file, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    bool has(const std::string& file) const { return fs::exists(dir / file); }
};

TEST(BitrowProgram, EachSizeIsPlayedByTheNarrowestBuildThatHoldsIt) {
    Folder f;
    f.install("shover16", SHOVER16);
    f.install("shover20", SHOVER20);
    for (int n : {8, 9, 16, 17, 20}) {
        const Turn t = run(SHOVER8, decided(n), f.dir);
        EXPECT_EQ(t.status, 0) << n;
        EXPECT_EQ(t.out, "L1\n") << n;
    }
    // shover16 run directly plays 16 itself and hands 17 on.
    EXPECT_EQ(run(SHOVER16, decided(16), f.dir).out, "L1\n");
    EXPECT_EQ(run(SHOVER16, decided(17), f.dir).out, "L1\n");
    // No build plays 21: the widest build refuses it at once, and so does the chain.
    for (const char* program : {SHOVER8, SHOVER16, SHOVER20}) {
        const Turn t = run(program, decided(21), f.dir);
        EXPECT_EQ(t.status, 1) << program;
        EXPECT_EQ(t.out, "");
        EXPECT_EQ(t.err, "N too large\n");
    }
}

TEST(BitrowProgram, HandOverPicksTheBuildByThresholdSixteen) {
    Folder f;
    f.standIn("shover16", "echo L1");
    f.standIn("shover20", "echo L1");
    const std::pair<int, const char*> cases[] = {
        {9, "shover16"}, {16, "shover16"}, {17, "shover20"}, {20, "shover20"}};
    for (const auto& [n, build] : cases) {
        fs::remove(f.dir / "shover16.argv0");
        fs::remove(f.dir / "shover20.argv0");
        EXPECT_EQ(run(SHOVER8, std::to_string(n) + "\n", f.dir).out, "L1\n");
        EXPECT_EQ(f.read(std::string(build) + ".argv0"), "support/" + std::string(build) + "\n");
        EXPECT_FALSE(f.has(std::string(build == std::string("shover16") ? "shover20" : "shover16") +
                           ".argv0"));
    }
    // shover8 plays 8 itself.
    fs::remove(f.dir / "shover16.argv0");
    EXPECT_EQ(run(SHOVER8, decided(8), f.dir).out, "L1\n");
    EXPECT_FALSE(f.has("shover16.argv0"));
}

TEST(BitrowProgram, TheChildGetsTheRewrittenSizeLineAndEveryOtherByte) {
    Folder f;
    f.standIn("shover16", "echo L1");
    std::string nul = std::string("L1\n") + '\0' + "x\nT3";
    std::string big;
    for (int i = 0; i < 40000; i++) big += "R12\n";  // 160 kB, far beyond a pipe's capacity
    const std::string longLine = "12" + std::string(150, ' ') + "tail\n";
    const std::pair<std::string, std::string> cases[] = {
        {"12\nL3\nT12\n", "12\nL3\nT12\n"},
        {"  012 junk\nL3\nT1", "12\nL3\nT1"},  // no final newline stays without one
        {"12\n", "12\n"},
        {"12\n" + nul, "12\n" + nul},
        {longLine + "L1\n", "12\n" + longLine.substr(97) + "L1\n"},
        {"12\n" + big, "12\n" + big},
    };
    for (const auto& [input, expected] : cases) {
        const Turn t = run(SHOVER8, input, f.dir);
        EXPECT_EQ(t.status, 0);
        EXPECT_EQ(t.out, "L1\n");
        EXPECT_EQ(f.read("shover16.stdin"), expected) << input.substr(0, 40);
    }
}

TEST(BitrowProgram, TheFrontProcessEndsWithTheChildsStatus) {
    Folder f;
    const std::pair<std::string, int> cases[] = {{"echo L1; exit 0", 0},
                                                 {"exit 1", 1},
                                                 {"exit 7", 7},
                                                 {"kill -9 $$", 128 + 9},
                                                 {"kill -15 $$", 128 + 15}};
    for (const auto& [tail, status] : cases) {
        fs::remove(f.dir / "support" / "shover16");
        f.standIn("shover16", tail);
        EXPECT_EQ(run(SHOVER8, "9\n", f.dir).status, status) << tail;
    }
    // A child that reads nothing while much input remains: the front process neither
    // blocks nor dies of SIGPIPE; it reports the child's status.
    fs::remove(f.dir / "support" / "shover16");
    {
        const fs::path p = f.dir / "support" / "shover16";
        std::ofstream(p) << "#!/bin/sh\nexit 3\n";
        fs::permissions(p, fs::perms::owner_all);
    }
    std::string big = "9\n";
    for (int i = 0; i < 100000; i++) big += "L1\n";
    EXPECT_EQ(run(SHOVER8, big, f.dir, 20).status, 3);
    // The wider build missing: the child says "N too large", no move, status 1.
    fs::remove(f.dir / "support" / "shover16");
    const Turn t = run(SHOVER8, "9\n" + big, f.dir, 20);
    EXPECT_EQ(t.status, 1);
    EXPECT_EQ(t.out, "");
    EXPECT_EQ(t.err, "N too large\n");
}

}  // namespace
