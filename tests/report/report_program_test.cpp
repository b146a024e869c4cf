// The referee program's report options: the page kept up to date during a match, and never
// written over the match's own records.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "referee/players/process.h"
#include "tests/read_file.h"

namespace {

referee::RunResult referee(std::vector<std::string> args) {
    referee::RunRequest req;
    req.argv = {REFEREE};
    req.argv.insert(req.argv.end(), args.begin(), args.end());
    req.deadline = 120;
    req.keep = 1 << 20;
    return referee::runProcess(req);
}

std::vector<std::string> match(const std::string& output, const std::string& page) {
    return {"-a",
            MODEL_PLAYER,
            "-b",
            MODEL_PLAYER,
            "--a-name",
            "one",
            "--b-name",
            "two",
            "-n",
            "4",
            "--games",
            "3",
            "--random-openings",
            "2",
            "-o",
            output,
            "--report",
            page};
}

TEST(ReportProgram, PageFollowsTheMatchAndSparesTheRecords) {
    std::string dir = testing::TempDir() + "report_prog_" + std::to_string(getpid()) + "/";
    mkdir(dir.c_str(), 0755);
    std::string records = dir + "report_prog.txt", page = dir + "report_prog.html";
    std::remove(records.c_str());
    std::remove(page.c_str());
    referee::RunResult run = referee(match(records, page));
    ASSERT_EQ(run.status, 0) << run.err;
    std::string html = slurp(page);
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find("one vs two"), std::string::npos);
    for (int g = 0; g < 3; g++)
        EXPECT_NE(html.find("\"game\":" + std::to_string(g) + ","), std::string::npos) << g;

    // Over the records, under the same name or another one: refused before anything is played.
    std::string before = slurp(records);
    for (const std::string& same : {records, dir + "./report_prog.txt"}) {
        run = referee(match(records, same));
        EXPECT_EQ(run.status, 2) << same;
        EXPECT_NE(run.err.find("--report"), std::string::npos);
        EXPECT_EQ(slurp(records), before);
    }
    std::vector<std::string> fromOpenings = {"-a", MODEL_PLAYER, "-b",    MODEL_PLAYER, "-n",
                                             "4",  "--openings", records, "--report",   records};
    run = referee(fromOpenings);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(slurp(records), before);
    run = referee({"report", records, "-o", records});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(slurp(records), before);

    // The command regenerates the same games from the file.
    std::string again = dir + "report_prog_again.html";
    run = referee({"report", records, "-o", again});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("3 games (3 finished)"), std::string::npos) << run.err;
    run = referee({"report", dir + "no_such_records.txt", "-o", again});
    EXPECT_EQ(run.status, 1);
    if (!HasFailure()) std::filesystem::remove_all(dir);
}

// While the run plays, the page says so (and reloads itself); the last one it writes does
// not. A player that copies the page at every turn catches one written during the run.
TEST(ReportProgram, PageIsLiveUntilTheLastGame) {
    std::string dir = testing::TempDir() + "report_live_" + std::to_string(getpid()) + "/";
    mkdir(dir.c_str(), 0755);
    std::string page = dir + "live.html", snapshot = dir + "snapshot.html",
                player = dir + "copying_player.sh";
    std::ofstream(player) << "#!/bin/sh\ncp '" << page << "' '" << snapshot
                          << "' 2>/dev/null\nexec '" << MODEL_PLAYER << "'\n";
    chmod(player.c_str(), 0755);
    std::vector<std::string> args = match(dir + "live.txt", page);
    args[1] = player;
    referee::RunResult run = referee(args);
    ASSERT_EQ(run.status, 0) << run.err;
    std::string during = slurp(snapshot), last = slurp(page);
    EXPECT_NE(during.find("\"live\":true"), std::string::npos);
    EXPECT_NE(last.find("\"live\":false"), std::string::npos);
    EXPECT_EQ(last.find("\"live\":true"), std::string::npos);
    // The report of the records is never live.
    run = referee({"report", dir + "live.txt", "-o", dir + "again.html"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(slurp(dir + "again.html").find("\"live\":false"), std::string::npos);
    if (!HasFailure()) std::filesystem::remove_all(dir);
}

}  // namespace
