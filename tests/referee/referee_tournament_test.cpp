// Tournaments, shards and tallies: the schedule against a brute-force enumeration, the
// --player and --shard parsers on good and bad words, the match builder's refusals, and
// tallies of record files checked against counts made here from the records themselves.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <tuple>

#include "referee/cli/options.h"
#include "referee/play/match.h"
#include "referee/play/schedule.h"
#include "referee/play/settings.h"
#include "referee/play/tally.h"
#include "referee/records/counts.h"
#include "referee/views/results_json.h"
#include "referee/views/summary.h"
#include "tests/referee/referee_args.h"

using namespace referee;

namespace {

// A tournament of `players` players named p0, p1, ... with stand-in commands.
MatchConfig tournament(Event e, int players, int perPair, int openings) {
    MatchConfig c;
    c.event = e;
    c.field.resize(players);
    for (int i = 0; i < players; i++) {
        c.field[i].name = "p" + std::to_string(i);
        c.field[i].command = "./player" + std::to_string(i);
        c.field[i].time = 1 + i;
    }
    c.openings.clear();
    for (int i = 0; i < openings; i++) c.openings.push_back({model::allMoves(5)[i]});
    c.perPair = perPair;
    c.games = static_cast<int>(pairsOf(e, players)) * perPair;
    c.size = 5;
    return c;
}

// A finished record of game g of `c`, X winning when `xWins`, drawn when `draw`.
GameRecord finished(const MatchConfig& c, int g, int outcome) {
    Pairing p = pairing(c, g);
    std::vector<const PlayerSetup*> all = entrants(c);
    GameRecord r;
    r.size = c.size;
    r.moves = c.openings[p.opening];
    r.moves.push_back(model::allMoves(c.size)[10 + g % 4]);
    r.openingPlies = static_cast<int>(c.openings[p.opening].size());
    r.game = g;
    r.opening = p.opening;
    r.x = all[p.aIsX ? p.first : p.second]->name;
    r.o = all[p.aIsX ? p.second : p.first]->name;
    r.winner = outcome == 0 ? Winner::X : outcome == 1 ? Winner::O : Winner::None;
    r.loss = outcome == 2 ? Loss::None : Loss::Straights;
    r.reason = "decided";
    r.moveTimes.assign(r.moves.size(), 0.5);
    for (int i = 0; i < r.openingPlies; i++) r.moveTimes[i] = -1;
    r.settings = matchSettings(c);
    r.complete = true;
    return r;
}

// The match the arguments build, or the parser's or builder's refusal.
std::string build(std::vector<std::string> args, MatchConfig& c) {
    Options o;
    std::string err = parseRefereeArgs(std::move(args), o);
    if (!err.empty()) return err;
    auto refused = buildMatch(o, c);
    return refused ? *refused : "";
}

}  // namespace

TEST(RefereeTournament, ScheduleMeetsEveryPairWithBothColoursOfEveryOpening) {
    for (Event e : {Event::RoundRobin, Event::Gauntlet}) {
        for (int players = 2; players <= 7; players++) {
            // The pairs by brute force, in the order the schedule promises.
            std::vector<std::pair<int, int>> expected;
            for (int i = 0; i < players; i++)
                for (int j = i + 1; j < players; j++)
                    if (e == Event::RoundRobin || i == 0) expected.push_back({i, j});
            ASSERT_EQ(pairsOf(e, players), static_cast<long long>(expected.size()));
            for (size_t k = 0; k < expected.size(); k++)
                EXPECT_EQ(pairAt(e, players, static_cast<long long>(k)), expected[k]);

            const int openings = 3, perPair = 6;
            MatchConfig c = tournament(e, players, perPair, openings);
            std::set<std::tuple<int, int, int, bool>> seen;  // first, second, opening, colour
            for (int g = 0; g < c.games; g++) {
                Pairing p = pairing(c, g);
                EXPECT_EQ(std::make_pair(p.first, p.second), expected[g / perPair]);
                EXPECT_TRUE(seen.insert({p.first, p.second, p.opening, p.aIsX}).second)
                    << "game " << g << " repeats an earlier one";
                if (g % 2 == 1) {  // the pair's second game: same opening, colours swapped
                    Pairing q = pairing(c, g - 1);
                    EXPECT_EQ(q.opening, p.opening);
                    EXPECT_NE(q.aIsX, p.aIsX);
                }
            }
            EXPECT_EQ(seen.size(), expected.size() * openings * 2);
            EXPECT_FALSE(repeatedGames(c));
            c.perPair = 8;  // four pairs of games from three openings
            c.games = static_cast<int>(pairsOf(e, players)) * 8;
            EXPECT_TRUE(repeatedGames(c));
        }
    }
    EXPECT_EQ(pairsOf(Event::RoundRobin, 1000), 499500);
    EXPECT_EQ(pairAt(Event::RoundRobin, 1000, 499499), std::make_pair(998, 999));
}

TEST(RefereeTournament, ShardsSplitTheGamesWithoutOverlapAndResumeOnlyTheirOwn) {
    MatchConfig c = tournament(Event::RoundRobin, 4, 4, 2);
    for (int m : {1, 2, 3, 7, 30}) {
        std::vector<int> owner(c.games, -1);
        for (int k = 0; k < m; k++) {
            MatchConfig s = c;
            s.shard = k;
            s.shards = m;
            for (int g = 0; g < c.games; g++)
                if (inShard(s, g)) {
                    EXPECT_EQ(owner[g], -1) << "game " << g << " in two shards";
                    owner[g] = k;
                }
        }
        for (int g = 0; g < c.games; g++) EXPECT_EQ(owner[g], g % m);
    }
    MatchConfig s = c;
    s.shard = 1;
    s.shards = 3;
    EXPECT_FALSE(checkRecord(s, finished(c, 4, 0)));
    auto refused = checkRecord(s, finished(c, 3, 0));
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find("shard 1/3"), std::string::npos) << *refused;
    // A record whose players are swapped against the schedule is not this game.
    GameRecord r = finished(c, 4, 0);
    std::swap(r.x, r.o);
    EXPECT_TRUE(checkRecord(s, r));
}

TEST(RefereeTournament, PlayerEntriesAndShardsAreReadStrictly) {
    Options::Side p;
    ASSERT_FALSE(
        parsePlayerEntry("name=d3 cmd='./analyze --quiet --depth 3' proto=byteboard "
                         "time=2.5 dir=\"/tmp/a b\"",
                         p));
    EXPECT_EQ(p.name, "d3");
    EXPECT_EQ(p.command, "./analyze --quiet --depth 3");
    EXPECT_EQ(p.proto, "byteboard");
    EXPECT_EQ(p.time, 2.5);
    EXPECT_EQ(p.dir, "/tmp/a b");
    EXPECT_FALSE(p.sandbox);
    EXPECT_FALSE(p.memory);
    ASSERT_FALSE(parsePlayerEntry("cmd=x sandbox=yes memory=512", p));
    EXPECT_TRUE(p.sandbox);
    EXPECT_EQ(p.memory, 512);
    ASSERT_FALSE(parsePlayerEntry("cmd=x sandbox=no memory=16", p));
    EXPECT_FALSE(p.sandbox);
    EXPECT_EQ(p.memory, 16);
    for (const char* bad :
         {"", "name=x", "cmd", "cmd=", "cmd=x speed=3", "cmd=x proto=ascii", "cmd=x time=0",
          "cmd=x time=1e9", "cmd=x time=nan", "cmd=x time=1s", "cmd='x", "cmd=x name",
          "cmd=x sandbox=1", "cmd=x sandbox=", "cmd=x memory=15", "cmd=x memory=1048577",
          "cmd=x memory=1g", "cmd=x memory=-5"}) {
        Options::Side q;
        EXPECT_TRUE(parsePlayerEntry(bad, q)) << bad;
    }
    int k = -1, m = -1;
    ASSERT_FALSE(parseShard("0/1", k, m));
    EXPECT_EQ(k, 0);
    EXPECT_EQ(m, 1);
    ASSERT_FALSE(parseShard("2/3", k, m));
    EXPECT_EQ(k, 2);
    EXPECT_EQ(m, 3);
    for (const char* bad : {"3/3", "1/1", "-1/3", "1/0", "1", "/3", "1/", "a/b", "1/3x", " 1/3",
                            "0/99999999999", "1/-3"})
        EXPECT_TRUE(parseShard(bad, k, m)) << bad;
}

TEST(RefereeTournament, BuilderCountsGamesAndRebuildsFromSettings) {
    const std::string t = "cmd=true";
    MatchConfig c;
    ASSERT_EQ(build({"--player", t, "--player", t, "--player", t, "--player", "name=z cmd=true",
                     "--random-openings", "2", "-n", "5", "--games", "4", "--no-check"},
                    c),
              "");
    EXPECT_EQ(c.event, Event::RoundRobin);
    EXPECT_EQ(c.perPair, 4);
    EXPECT_EQ(c.games, 6 * 4);
    EXPECT_EQ(c.openings.size(), 2u);
    // Equal names are told apart by their number; names must differ.
    EXPECT_EQ(c.field[0].name, "true-1");
    EXPECT_EQ(c.field[2].name, "true-3");
    EXPECT_EQ(c.field[3].name, "z");
    MatchConfig g;
    ASSERT_EQ(build({"--player", "name=a " + t, "--player", "name=b " + t, "--player",
                     "name=c " + t, "--tournament", "gauntlet", "--anchor", "c"},
                    g),
              "");
    EXPECT_EQ(g.games, 2 * 2);
    EXPECT_EQ(g.anchor, 2);
    const Settings s = matchSettings(g);
    // The tally rebuilds the same schedule from the recorded settings.
    MatchConfig back;
    ASSERT_FALSE(matchFromSettings(s, back));
    EXPECT_EQ(back.event, Event::Gauntlet);
    EXPECT_EQ(back.games, g.games);
    EXPECT_EQ(back.anchor, 2);
    for (int i = 0; i < g.games; i++) {
        EXPECT_EQ(pairing(back, i).first, pairing(g, i).first);
        EXPECT_EQ(pairing(back, i).second, pairing(g, i).second);
    }
}

TEST(RefereeTournament, BuilderRefusesWhatCannotWorkAndReadsConfigFiles) {
    const std::string t = "cmd=true";
    struct Refusal {
        std::vector<std::string> args;
        const char* says;
    };
    for (const Refusal& r : std::vector<Refusal>{
             {{"--player", t, "--player", t, "--player", t, "--sprt"}, "--sprt"},
             {{"--player", t, "--player", t, "--tournament", "round-robin", "--sprt"}, "--sprt"},
             {{"--player", t}, "two players"},
             {{"--player", t, "--player", t, "-a", "true"}, "exclude"},
             {{"--player", "name=x " + t, "--player", "name=y " + t, "--anchor", "w"}, "--anchor"},
             {{"-a", "true", "-b", "true", "--anchor", "true"}, "--anchor"},
             {{"--player", "name=x-2 " + t, "--player", "name=x " + t, "--player", "name=x " + t},
              "named"},
             {{"-a", "true", "-b", "true", "--shard", "0/2"}, "--output"},
             {{"-a", "true", "-b", "true", "--shard", "2/2", "-o", "f"}, "--shard"},
             {{"--player", t, "--player", "cmd=true time=0.5 proto=byteboard"}, "player 2"},
             {{"-a", "true", "-b", "true", "-o", "same.txt", "--json", "same.txt"}, "--json"},
         }) {
        MatchConfig m;
        std::string err = build(r.args, m);
        EXPECT_NE(err.find(r.says), std::string::npos) << r.args.front() << ": '" << err << "'";
    }

    // Players from a config file: a TOML array of entries.
    std::string path = testing::TempDir() + "tournament_config.toml";
    {
        std::ofstream f(path);
        f << "player = [\"name=a cmd=true time=2\", \"name=b cmd='true x'\", \"name=c "
             "cmd=true\"]\ntournament = \"gauntlet\"\n";
    }
    MatchConfig fromFile;
    ASSERT_EQ(build({"--config", path}, fromFile), "");
    ASSERT_EQ(fromFile.field.size(), 3u);
    EXPECT_EQ(fromFile.event, Event::Gauntlet);
    EXPECT_EQ(fromFile.field[0].time, 2);
    EXPECT_EQ(fromFile.field[1].command, "true x");
}

TEST(RefereeTournament, BuilderRefusesSandboxLimitsWithoutASandboxAndKnowsStandardOutput) {
    const std::string t = "cmd=true";
    struct Refusal {
        std::vector<std::string> args;
        const char* says;
    };
    for (const Refusal& r : std::vector<Refusal>{
             {{"-a", "true", "-b", "true", "--a-memory", "100"}, "--a-memory limits the sandbox"},
             {{"--player", t, "--player", "memory=100 " + t}, "memory= limits the sandbox"},
             {{"-a", "true", "-b", "true", "--processes", "9"}, "no player has one"},
             {{"-a", "true", "-b", "true", "-o", "-", "--resume"}, "--resume needs"},
             {{"-a", "true", "-b", "true", "-o", "-", "--shard", "0/2"}, "--shard needs"},
         }) {
        MatchConfig m;
        std::string err = build(r.args, m);
        EXPECT_NE(err.find(r.says), std::string::npos) << r.args.back() << ": '" << err << "'";
    }
    // -o - is standard output.
    MatchConfig dash;
    ASSERT_EQ(build({"-a", "true", "-b", "true", "-o", "-"}, dash), "");
    EXPECT_EQ(dash.output, "");
}

// A round robin of four players, every game finished, in three shard files, each in its
// own order as parallel games finish, the last with a record cut short by a stop.
struct Shards {
    MatchConfig c = tournament(Event::RoundRobin, 4, 4, 2);
    std::vector<GameRecord> all;
    std::vector<std::pair<std::string, std::string>> files{3};
    Shards() {
        c.anchor = 1;
        std::mt19937 rng(7);
        for (int g = 0; g < c.games; g++)
            all.push_back(finished(c, g, static_cast<int>(rng() % 3)));
        for (int k = 0; k < 3; k++) files[k].first = "shard-" + std::to_string(k) + ".txt";
        for (int g = c.games - 1; g >= 0; g--) files[g % 3].second += formatRecord(all[g]);
        files[2].second += formatRecord(all[2]).substr(0, 20);
    }
};

// The JSON's cross table holds the points of every player against every other, counted
// here from the records.
void expectCrossTable(const nlohmann::json& doc, const std::vector<GameRecord>& all) {
    std::map<std::pair<std::string, std::string>, double> points;
    for (const GameRecord& r : all) {
        double x = r.winner == Winner::X ? 1 : r.winner == Winner::O ? 0 : 0.5;
        points[{r.x, r.o}] += x;
        points[{r.o, r.x}] += 1 - x;
    }
    const auto& players = doc["event"]["players"];
    const auto& cross = doc["results"]["ratings"]["cross"];
    ASSERT_EQ(cross.size(), 4u);
    for (size_t i = 0; i < 4; i++)
        for (size_t j = 0; j < 4; j++) {
            if (i == j) {
                EXPECT_TRUE(cross[i][j].is_null());
                continue;
            }
            const std::string me = players[i]["name"], them = players[j]["name"];
            EXPECT_EQ(cross[i][j]["points"].get<double>(), (points[{me, them}])) << me << them;
            EXPECT_EQ(cross[i][j]["games"], 4);
        }
}

TEST(RefereeTally, ShardFilesAddUpToTheWhole) {
    const Shards s;
    TallyResult t;
    ASSERT_FALSE(tallyFiles(s.files, t));
    ASSERT_EQ(t.games.size(), s.all.size());
    std::set<int> numbers;  // in the files' order: every game once
    for (const GameRecord& r : t.games) numbers.insert(r.game);
    EXPECT_EQ(numbers.size(), s.all.size());
    EXPECT_EQ(*numbers.rbegin(), s.c.games - 1);
    ASSERT_FALSE(t.notes.empty());
    EXPECT_NE(t.notes[0].find("shard-2.txt: left out 1 unfinished"), std::string::npos)
        << t.notes[0];
    EXPECT_EQ(t.match.anchor, 1);
    const Results fromFiles = computeResults(eventOf(t.match), t.games);
    EXPECT_EQ(summaryText(fromFiles), summaryText(computeResults(eventOf(s.c), s.all)));
    const std::vector<std::string> none;
    nlohmann::json doc = nlohmann::json::parse(resultsJson("t", fromFiles, {t.games, none}, true));
    EXPECT_EQ(doc["games"].size(), s.all.size());
    EXPECT_EQ(doc["settings"]["players"][0], "4");
    EXPECT_EQ(doc["event"]["anchor"], "p1");
    expectCrossTable(doc, s.all);
}

TEST(RefereeTally, ShardFilesRefuseWhatDoesNotBelong) {
    const Shards s;
    // The same game in two files.
    auto twice = s.files;
    twice[0].second += formatRecord(s.all[4]);
    TallyResult t2;
    auto refused = tallyFiles(twice, t2);
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find("game 4 appears twice"), std::string::npos) << *refused;
    EXPECT_NE(refused->find("shard-1.txt"), std::string::npos) << *refused;
    // A file of another match: another time for one player, or other games per pair.
    for (auto change : std::vector<std::function<void(MatchConfig&)>>{
             [](MatchConfig& o) { o.field[2].time = 9; },
             [](MatchConfig& o) { o.size = 6; },
         }) {
        MatchConfig other = s.c;
        change(other);
        auto mixed = s.files;
        mixed[1].second = formatRecord(finished(other, 1, 0));
        TallyResult t3;
        auto differ = tallyFiles(mixed, t3);
        ASSERT_TRUE(differ);
        EXPECT_NE(differ->find("another match"), std::string::npos) << *differ;
    }
    // A record whose players are not the ones the schedule has for its index.
    GameRecord wrong = s.all[5];
    std::swap(wrong.x, wrong.o);
    auto swapped = s.files;
    swapped[2].second = formatRecord(wrong);
    TallyResult t4;
    auto bad = tallyFiles(swapped, t4);
    ASSERT_TRUE(bad);
    EXPECT_NE(bad->find("schedule"), std::string::npos) << *bad;
    TallyResult t5;
    EXPECT_TRUE(tallyFiles({{"empty", ""}, {"junk", "no record\n"}}, t5));
}

TEST(RefereeTally, MatchesKeepTheirTableAndTheTestsState) {
    MatchConfig c;
    c.a.name = "new";
    c.b.name = "old";
    c.size = 5;
    c.openings.assign(6, Opening());
    c.games = 12;
    c.sprt = SprtSettings{};
    std::vector<GameRecord> all;
    // new wins every pair 1.5 - 0.5: a draw as X, a win as O.
    for (int g = 0; g < c.games; g++) all.push_back(finished(c, g, g % 2 == 0 ? 2 : 1));
    std::string a, b;
    for (int g = 0; g < c.games; g++) (g < 5 ? a : b) += formatRecord(all[g]);
    TallyResult t;
    ASSERT_FALSE(tallyFiles({{"a", a}, {"b", b}}, t));
    EXPECT_EQ(t.games.size(), 12u);
    ASSERT_TRUE(t.match.sprt);
    EXPECT_EQ(summaryText(computeResults(eventOf(t.match), t.games)),
              summaryText(computeResults(eventOf(c), all)));
    Tally new_ = tally(t.games, "new");
    EXPECT_EQ(new_.wins, 6);
    EXPECT_EQ(new_.draws, 6);
    EXPECT_EQ(pairCounts(t.games, "new").n[3], 6);
    // A file that --resume continued with more games and another test: the latest run's
    // games and test are the match's, as the referee printed them.
    MatchConfig first = c, resumed = c;
    first.games = 6;
    first.sprt.reset();
    first.date = "2026-01-01T10:00:00Z";
    resumed.date = "2026-01-02T10:00:00Z";
    std::string continued;
    for (int g = 0; g < c.games; g++)
        continued += formatRecord(g < 4 ? finished(first, g, g % 2) : finished(resumed, g, g % 2));
    TallyResult both;
    ASSERT_FALSE(tallyFiles({{"continued", continued}}, both));
    EXPECT_EQ(both.match.games, 12);
    EXPECT_TRUE(both.match.sprt);
    EXPECT_EQ(*findSetting(both.settings, "date"), resumed.date);
    std::vector<GameRecord> asPlayed;
    for (int g = 0; g < c.games; g++) asPlayed.push_back(finished(c, g, g % 2));
    EXPECT_EQ(summaryText(computeResults(eventOf(both.match), both.games)),
              summaryText(computeResults(eventOf(c), asPlayed)));

    // Another SPRT makes it another match's file.
    MatchConfig other = c;
    other.sprt->elo1 = 10;
    std::string c2 = formatRecord(finished(other, 0, 0));
    TallyResult t2;
    auto refused = tallyFiles({{"b", b}, {"c", c2}}, t2);
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find("sprt"), std::string::npos) << *refused;
}
