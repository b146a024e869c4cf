// The match bookkeeping added for honest matches: settings and move times in records,
// resume comparisons, hidden repeats, pairs, move-time summaries, probe positions and the
// options (command line and config file).
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "model/cell_model.h"
#include "referee/cli/options.h"
#include "referee/play/match.h"
#include "referee/play/schedule.h"
#include "referee/play/settings.h"
#include "referee/players/probe.h"
#include "referee/records/counts.h"
#include "referee/records/record.h"
#include "referee/views/summary.h"
#include "tests/referee/referee_args.h"

using namespace referee;
using model::Move;

namespace {

GameRecord finished(int game, const std::string& x, const std::string& o, Winner w) {
    GameRecord r;
    r.size = 4;
    r.game = game;
    r.opening = game / 2;
    r.x = x;
    r.o = o;
    r.winner = w;
    r.loss = w == Winner::None ? Loss::None : Loss::Straights;
    r.complete = true;
    return r;
}

TEST(RefereeRecordKeys, SettingsAndMoveTimesRoundTripAndBadOnesAreRefused) {
    GameRecord r = finished(0, "a b", "c\nd", Winner::X);
    r.moves = {{'T', 2}, {'B', 3}, {'L', 4}, {'R', 1}};
    r.openingPlies = 1;
    r.moveTimes = {-1, 0.25, 1.5004, 12};
    r.settings = {{"a-command", "./p --x 'q r'"}, {"date", "2026-12-08T10:00:00Z"}};
    std::string text = formatRecord(r);
    EXPECT_NE(text.find("# move-times: - 0.250 1.500 12.000\n"), std::string::npos) << text;
    EXPECT_NE(text.find("# setting-a-command: ./p --x 'q r'\n"), std::string::npos);
    RecordFile f = parseRecords(text);
    ASSERT_EQ(f.records.size(), 1u);
    ASSERT_TRUE(f.records[0].complete) << (f.problems.empty() ? "" : f.problems[0]);
    EXPECT_EQ(f.records[0].settings, r.settings);
    ASSERT_EQ(f.records[0].moveTimes.size(), 4u);
    EXPECT_LT(f.records[0].moveTimes[0], 0);
    EXPECT_DOUBLE_EQ(f.records[0].moveTimes[2], 1.5);
    EXPECT_TRUE(f.records[0].extra.empty());
    // Times kept as the record keeps them read back to the bit: a run's tables and its
    // records' agree.
    GameRecord kept = r;
    kept.moveTimes = {-1, recordedSeconds(0.1 + 0.2), recordedSeconds(1.2345678),
                      recordedSeconds(1e6 / 3)};
    kept.timeX = recordedSeconds(kept.moveTimes[1] + kept.moveTimes[3]);
    EXPECT_EQ(kept.moveTimes[2], 1.235);
    const GameRecord back = parseRecords(formatRecord(kept)).records.at(0);
    EXPECT_EQ(back.moveTimes, kept.moveTimes);
    EXPECT_EQ(back.timeX, kept.timeX);

    // One entry per ply, numbers or "-", each setting once.
    const std::string line = "# move-times: - 0.250 1.500 12.000\n";
    for (const std::string& wrong : {std::string("# move-times: - 0.250 1.500\n"),
                                     std::string("# move-times: - 0.250 1.500 12.000 1.000\n"),
                                     std::string("# move-times: - 0.250 x 12.000\n"),
                                     std::string("# move-times: - 0.250 -1 12.000\n"),
                                     std::string("# move-times: - 0.250  1.500 12.000\n"),
                                     std::string("# move-times: - 0.250 nan 12.000\n"),
                                     std::string("# move-times: - 0.250 1.500 12.000 \n")}) {
        std::string t = text;
        t.replace(t.find(line), line.size(), wrong);
        RecordFile bad = parseRecords(t);
        ASSERT_EQ(bad.records.size(), 1u);
        EXPECT_FALSE(bad.records[0].complete) << wrong;
    }
    std::string twice = text;
    twice.insert(twice.find("# end"), "# setting-date: 2027\n");
    EXPECT_FALSE(parseRecords(twice).records[0].complete);
    // A record of a game with no plies has an empty list.
    GameRecord empty = finished(1, "a", "b", Winner::None);
    RecordFile e = parseRecords(formatRecord(empty));
    ASSERT_EQ(e.records.size(), 1u);
    EXPECT_TRUE(e.records[0].complete);
}

TEST(RefereeSettings, ResumeComparesWhatDecidesTheGames) {
    MatchConfig c;
    c.a.command = "./a";
    c.a.name = "a";
    c.a.dir = "/x";
    c.b.command = "./b 3";
    c.b.name = "b";
    c.b.protocol = Protocol::ByteBoard;
    c.b.time = 2;
    c.openingsSource = "random, 3 plies, seed 7";
    c.version = "v1";
    c.date = "d1";
    Settings s = matchSettings(c);
    auto value = [&](const Settings& set, const std::string& name) {
        for (const auto& kv : set)
            if (kv.first == name) return kv.second;
        return std::string("(none)");
    };
    EXPECT_EQ(value(s, "b-protocol"), "byteboard");
    EXPECT_EQ(value(s, "b-time"), "2");
    EXPECT_EQ(value(s, "a-time"), "30");
    EXPECT_EQ(value(s, "sprt"), "none");
    EXPECT_FALSE(settingsDiffer(s, s));

    // Another run of the same match: later date, new version, more games, a test.
    MatchConfig later = c;
    later.date = "d2";
    later.version = "v2";
    later.games = 40;
    later.sprt = SprtSettings{};
    EXPECT_FALSE(settingsDiffer(s, matchSettings(later)));

    struct Change {
        void (*apply)(MatchConfig&);
        const char* name;
    };
    const Change changes[] = {
        {[](MatchConfig& m) { m.a.command = "./a --fast"; }, "a-command"},
        {[](MatchConfig& m) { m.b.protocol = Protocol::BitRow; }, "b-protocol"},
        {[](MatchConfig& m) { m.a.dir = "/y"; }, "a-dir"},
        {[](MatchConfig& m) { m.b.time = 2.5; }, "b-time"},
        {[](MatchConfig& m) { m.margin = 0.5; }, "margin"},
        {[](MatchConfig& m) { m.maxPlies = 100; }, "max-plies"},
        {[](MatchConfig& m) { m.size = 7; }, "size"},
        {[](MatchConfig& m) { m.openingsSource = "random, 3 plies, seed 8"; }, "openings"},
    };
    for (const Change& ch : changes) {
        MatchConfig m = c;
        ch.apply(m);
        auto d = settingsDiffer(s, matchSettings(m));
        ASSERT_TRUE(d) << ch.name;
        EXPECT_EQ(d->rfind(std::string(ch.name) + ":", 0), 0u) << *d;
    }
    // Records without settings (older files) are not taken as this match's.
    EXPECT_TRUE(settingsDiffer({}, s));
}

TEST(RefereeMatchList, RepeatsAreFoundWhereverEqualOpeningsSit) {
    MatchConfig c;
    Opening o1{{'T', 1}}, o2{{'T', 2}};
    c.openings = {o1, o2};
    c.games = 4;
    EXPECT_FALSE(repeatedGames(c));
    c.games = 5;  // game 4 is opening 0 with a as X again, like game 0
    auto r = repeatedGames(c);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rfind("game 4 would start like game 0", 0), 0u) << *r;
    c.openings = {o1, o2, o1};  // equal openings in the list count as one
    c.games = 5;
    r = repeatedGames(c);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rfind("game 4 would start like game 0", 0), 0u) << *r;
    c.openings = {Opening(), Opening()};  // two empty openings: the second pair repeats
    c.games = 3;
    ASSERT_TRUE(repeatedGames(c));
    c.games = 2;
    EXPECT_FALSE(repeatedGames(c));
}

TEST(RefereeMatchList, PairsCountOnlyWholePairsFromEitherSide) {
    // Pair 0: A wins as X, draws as O (3/2). Pair 1: A loses both (0). Pair 2: one game
    // only. Pair 3: A wins as O, loses as X (1). Another pairing's games are ignored.
    std::vector<GameRecord> rs = {
        finished(0, "A", "B", Winner::X), finished(1, "B", "A", Winner::None),
        finished(3, "B", "A", Winner::X), finished(2, "A", "B", Winner::O),
        finished(4, "A", "B", Winner::X), finished(6, "A", "B", Winner::O),
        finished(7, "B", "A", Winner::O), finished(8, "C", "D", Winner::X),
        finished(9, "D", "C", Winner::X),
    };
    Pentanomial a = pairCounts(rs, "A");
    EXPECT_EQ(a.n, (std::array<int, 5>{1, 0, 1, 1, 0}));
    Pentanomial b = pairCounts(rs, "B");
    EXPECT_EQ(b.n, (std::array<int, 5>{0, 1, 1, 0, 1}));
    Tally t = tally(rs, "A");
    EXPECT_EQ(t.asX.wins, 2);
    EXPECT_EQ(t.asX.losses, 2);
    EXPECT_EQ(t.asO.draws, 1);
    EXPECT_EQ(t.asO.wins, 1);
    EXPECT_EQ(t.asO.losses, 1);
}

TEST(RefereeMatchList, MoveTimesBelongToTheSideThatMoved) {
    GameRecord r = finished(0, "A", "B", Winner::X);
    r.moves.resize(5, Move{'T', 1});
    r.moveTimes = {-1, 0.5, 2.0, 1.0, 0.25};  // opening, B, A, B, A
    GameRecord s = finished(1, "B", "A", Winner::X);
    s.moves.resize(2, Move{'T', 1});
    s.moveTimes = {3.0, 0.75};  // B, A
    PlayerSetup a, b;
    a.name = "A";
    a.time = 2.5;
    b.name = "B";
    b.time = 4;
    MoveTimes ta = moveTimes({r, s}, a.name, a.time), tb = moveTimes({r, s}, b.name, b.time);
    EXPECT_EQ(ta.moves, 3);
    EXPECT_DOUBLE_EQ(ta.mean, 1.0);
    EXPECT_DOUBLE_EQ(ta.slowest, 2.0);
    EXPECT_DOUBLE_EQ(ta.leastLeft, 0.5);
    EXPECT_EQ(tb.moves, 3);
    EXPECT_DOUBLE_EQ(tb.mean, 1.5);
    EXPECT_DOUBLE_EQ(tb.leastLeft, 1.0);
}

TEST(RefereeProbe, PositionsHaveOneWinningMoveAndNoQuickerRival) {
    for (int n : {3, 4, 5, 6, 7, 8, 10}) {
        std::vector<ProbePosition> ps = probePositions(n);
        ASSERT_EQ(ps.size(), 2u) << n;
        ASSERT_TRUE(ps[0].win);
        EXPECT_FALSE(ps[1].win);
        EXPECT_EQ(ps, probePositions(n));  // the same every time
        for (const ProbePosition& p : ps) {
            model::Game g(n);
            for (const Move& m : p.moves) ASSERT_EQ(g.play(m), model::Outcome::Open) << n;
            int wins = 0;
            for (const Move& m : model::allMoves(n)) {
                model::Game t = g;
                if (t.play(m) == model::Outcome::Won) {
                    wins++;
                    if (p.win) {
                        EXPECT_EQ(m, *p.win);
                    }
                }
            }
            EXPECT_EQ(wins, p.win ? 1 : 0) << n;
        }
    }
}

TEST(RefereeOptions, SprtWords) {
    SprtSettings s;
    EXPECT_FALSE(parseSprt({"elo1=10", "alpha=0.1"}, s));
    EXPECT_EQ(s.elo0, 0);
    EXPECT_EQ(s.elo1, 10);
    EXPECT_EQ(s.alpha, 0.1);
    EXPECT_EQ(s.beta, 0.05);
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{{"elo2=1"},
                                                                                     {"elo1"},
                                                                                     {"elo1=x"},
                                                                                     {"elo1=5x"},
                                                                                     {"alpha=1.5"},
                                                                                     {"elo0=10"},
                                                                                     {"elo1=inf"},
                                                                                     {"=3"}}) {
        SprtSettings t;
        EXPECT_TRUE(parseSprt(bad, t)) << bad[0];
    }
}

TEST(RefereeOptions, WordsAndRangesOfTheCommandLine) {
    const auto parse = parseRefereeArgs;
    Options o;
    EXPECT_EQ(parse({"-a", "x", "--b-command=y", "--size=7", "--time", "2.5", "--sprt", "elo1=3",
                     "--games=10"},
                    o),
              "");
    EXPECT_EQ(o.a.command, "x");
    EXPECT_EQ(o.b.command, "y");
    EXPECT_EQ(o.size, 7);
    EXPECT_EQ(o.time, 2.5);
    EXPECT_EQ(o.games, 10);
    ASSERT_TRUE(o.sprt);
    EXPECT_EQ(*o.sprt, std::vector<std::string>{"elo1=3"});
    Options bare;
    EXPECT_EQ(parse({"-a", "x", "-b", "y", "--sprt", "--games", "8"}, bare), "");
    ASSERT_TRUE(bare.sprt);  // the test with its defaults
    EXPECT_TRUE(bare.sprt->empty());
    EXPECT_EQ(bare.games, 8);
    Options none;
    EXPECT_EQ(parse({"-a", "x", "-b", "y"}, none), "");
    EXPECT_FALSE(none.sprt);
    Options r;
    std::string err = parse({"-a", "x", "-b", "y", "-n", "30"}, r);
    EXPECT_NE(err.find("1 to 20"), std::string::npos) << err;
    err = parse({"-a", "x", "-b", "y", "--jobs", "0"}, r);
    EXPECT_NE(err.find("1 to 256"), std::string::npos) << err;
    {
        // b is required for a match; the check is the match builder's, since a tournament
        // (--player) has neither.
        Options onlyA;
        EXPECT_EQ(parse({"-a", "x"}, onlyA), "");
        MatchConfig m;
        auto refused = buildMatch(onlyA, m);
        ASSERT_TRUE(refused);
        EXPECT_NE(refused->find("-b"), std::string::npos) << *refused;
    }
    EXPECT_NE(parse({"-a", "x", "-b", "y", "--a-proto", "z"}, r), "");
}

TEST(RefereeOptions, ConfigFilesAndTheCommandLineOverThem) {
    const auto parse = parseRefereeArgs;
    // The same match from a config file; the command line still wins over it.
    std::string path = testing::TempDir() + "referee_config.toml";
    {
        std::ofstream f(path);
        f << "a-command = \"./p --depth 4\"\nb-command = './q'\nsize = 5\nmargin = 0.5\n"
             "games = 12\nsprt = \"elo0=-5 elo1=5\"\nno-check = true\n";
    }
    Options c;
    EXPECT_EQ(parse({"--config", path, "--games", "20"}, c), "");
    EXPECT_EQ(c.a.command, "./p --depth 4");
    EXPECT_EQ(c.b.command, "./q");
    EXPECT_EQ(c.size, 5);
    EXPECT_EQ(c.margin, 0.5);
    EXPECT_EQ(c.games, 20);
    EXPECT_TRUE(c.noCheck);
    ASSERT_TRUE(c.sprt);
    SprtSettings fromFile;
    EXPECT_FALSE(parseSprt(*c.sprt, fromFile));
    EXPECT_EQ(fromFile.elo0, -5);
    EXPECT_EQ(fromFile.elo1, 5);
    {
        std::ofstream f(path);
        f << "a-command = \"./p\"\nb-command = \"./q\"\nsize = 40\n";
    }
    Options d;
    std::string err = parse({"--config", path}, d);
    EXPECT_NE(err.find("1 to 20"), std::string::npos) << err;
}

}  // namespace
