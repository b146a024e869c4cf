// Real games between the real players through the referee program: every record must be
// judged exactly as the plain model judges its moves, and the players, given what the
// referee writes them, must answer with legal moves in time.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "referee/players/process.h"
#include "referee/records/record.h"
#include "referee_replay.h"

using namespace referee;

namespace {

std::vector<GameRecord> match(const std::string& name, std::vector<std::string> args, int games,
                              int maxPlies, int size = 6) {
    std::string path = testing::TempDir() + name + ".txt";
    std::remove(path.c_str());
    RunRequest req;
    req.argv = {REFEREE,
                "-n",
                std::to_string(size),
                "--games",
                std::to_string(games),
                "--max-plies",
                std::to_string(maxPlies),
                "-o",
                path};
    req.argv.insert(req.argv.end(), args.begin(), args.end());
    req.deadline = 600;
    req.keep = 1 << 20;
    RunResult run = runProcess(req);
    EXPECT_EQ(run.end, RunResult::End::Exited);
    EXPECT_EQ(run.status, 0) << run.err;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    RecordFile f = parseRecords(text.str());
    EXPECT_TRUE(f.problems.empty());
    EXPECT_EQ(f.records.size(), static_cast<size_t>(games));
    for (const GameRecord& r : f.records) {
        EXPECT_TRUE(r.complete);
        EXPECT_EQ(referee_test::replayMismatch(r, maxPlies), "") << "game " << r.game;
        EXPECT_TRUE(r.loss == Loss::None || r.loss == Loss::Straights || r.loss == Loss::Repetition)
            << "game " << r.game << ": " << r.reason;
    }
    return f.records;
}

TEST(RefereeRealGames, ByteBoardAgainstItself) {
    match("pusher6",
          {"-a", PUSHER6, "--a-proto", "byteboard", "-b", PUSHER6, "--b-proto", "byteboard",
           "--time", "1", "-j", "2"},
          2, 16);
}

#ifdef ANALYZE
TEST(RefereeRealGames, BitRowAnalyserAgainstByteBoard) {
    match("analyze",
          {"-a", std::string(ANALYZE) + " --quiet --time 1", "--a-time", "1", "-b", PUSHER6,
           "--b-proto", "byteboard", "--b-time", "1", "-j", "2"},
          2, 12);
}
#endif

#ifdef ANALYZE
// From N = 16 on, different positions can share a key; the players' replay must take such a
// record for what it is, a legal game, or a player would lose it as if it had crashed.
TEST(RefereeRealGames, WideBoardsWithCollidingKeysAreAnsweredEveryTurn) {
    for (int n = 16; n <= 20; n++) {
        SCOPED_TRACE(n);
        const std::string player = std::string(ANALYZE) + " --quiet --depth 3";
        match("wide" + std::to_string(n),
              {"-a", player, "-b", player, "--random-openings", "30", "--seed", std::to_string(n),
               "--time", "10", "-j", "2"},
              2, 40, n);
    }
}
#endif

#ifdef SHOVER8
// shover8 thinks for its fixed 29.5 s; one move of each side is enough to check that it
// reads the referee's input and answers in time.
TEST(RefereeRealGames, BitRowFrontProgramAgainstByteBoard) {
    auto records = match(
        "shover8",
        {"-a", SHOVER8, "--a-time", "30", "-b", PUSHER6, "--b-proto", "byteboard", "--b-time", "1"},
        1, 2);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].moves.size(), 2u);
    EXPECT_LT(records[0].timeX, 31);
}
#endif

}  // namespace
