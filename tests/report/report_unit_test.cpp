// The match report's figures and data: tallies and the score's course worked out by hand,
// the optional keys of records, and the page's data kept inert whatever the records hold.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "referee/cli/app.h"
#include "referee/records/files.h"
#include "referee/results/results.h"
#include "referee/views/report_page.h"

using namespace referee;

namespace {

GameRecord game(int index, const std::string& x, const std::string& o, Winner w, Loss l,
                const std::string& reason = "") {
    GameRecord r;
    r.size = 6;
    r.game = index;
    r.x = x;
    r.o = o;
    r.winner = w;
    r.loss = l;
    r.reason = reason;
    r.moves = {{'L', 1}, {'T', 2}, {'R', 3}};
    r.complete = true;
    return r;
}

std::vector<GameRecord> sampleMatch() {
    std::vector<GameRecord> g = {
        game(0, "A", "B", Winner::X, Loss::Straights),
        game(1, "B", "A", Winner::None, Loss::None, "move cap of 3 plies"),
        game(2, "A", "B", Winner::O, Loss::Time),
        game(3, "B", "A", Winner::O, Loss::Repetition),
        game(4, "A", "B", Winner::None, Loss::None),
    };
    g[4].complete = false;  // cut short: shown, never counted
    return g;
}

std::string wdl(const Standing& s) {
    const Wdl& t = s.wdl;
    return std::to_string(t.wins) + "-" + std::to_string(t.draws) + "-" + std::to_string(t.losses);
}

// The figures of records, described as the records describe themselves.
Results matchFigures(const std::vector<GameRecord>& g) {
    return computeResults(eventOfRecords(g), g);
}

TEST(ReportFigures, TalliesColoursAndCourse) {
    std::vector<GameRecord> g = sampleMatch();
    Results f = matchFigures(g);
    EXPECT_EQ(f.counted, 4);
    ASSERT_EQ(f.players.size(), 2u);
    EXPECT_EQ(f.players[0].name, "A");
    EXPECT_EQ(wdl(f.players[0].all), "2-1-1");
    EXPECT_EQ(wdl(f.players[0].asX), "1-0-1");
    EXPECT_EQ(wdl(f.players[0].asO), "1-1-0");
    EXPECT_EQ(f.players[0].lostBy[static_cast<int>(Loss::Time)], 1);
    EXPECT_EQ(wdl(f.players[1].all), "1-1-2");
    EXPECT_EQ(wdl(f.players[1].asX), "0-1-1");
    EXPECT_EQ(wdl(f.players[1].asO), "1-0-1");
    EXPECT_EQ(f.players[1].lostBy[static_cast<int>(Loss::Straights)], 1);
    EXPECT_EQ(f.players[1].lostBy[static_cast<int>(Loss::Repetition)], 1);
    // A scores 1, 1.5, 1.5, 2.5 over its four finished games; the fifth is left out.
    ASSERT_EQ(f.course.size(), 4u);
    double scores[] = {1, 1.5, 1.5, 2.5};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(f.course[i].game, i);
        EXPECT_EQ(f.course[i].played, i + 1);
        EXPECT_DOUBLE_EQ(f.course[i].score, scores[i]);
    }
    // 2.5 of 4 is p = 0.625: 400 log10(0.625 / 0.375) = 400 log10(5/3) = 88.74.
    ASSERT_TRUE(f.players[0].all.elo.valid);
    EXPECT_NEAR(f.players[0].all.elo.elo, 88.74, 0.01);
    EXPECT_NEAR(f.course.back().elo.elo, 88.74, 0.01);
    EXPECT_TRUE(std::isinf(f.course[0].elo.elo));  // one win out of one

    std::vector<std::string> endings;
    for (const GameRecord& r : g) endings.push_back(howEnded(r));
    EXPECT_EQ(endings, (std::vector<std::string>{"straights", "move cap", "time", "repetition",
                                                 "unfinished"}));
    GameRecord agreed = game(5, "A", "B", Winner::None, Loss::None, "agreed");
    EXPECT_EQ(howEnded(agreed), "draw");

    // Games finished out of order: the player of game 0's X still comes first.
    std::vector<GameRecord> late = {g[3], g[1], g[0]};
    EXPECT_EQ(matchFigures(late).players[0].name, "A");
    std::swap(late[2].x, late[2].o);
    EXPECT_EQ(matchFigures(late).players[0].name, "B");

    // A third player: the table still, but no Elo of one player over another.
    g.push_back(game(6, "C", "A", Winner::X, Loss::Straights));
    Results three = matchFigures(g);
    EXPECT_EQ(three.players.size(), 3u);
    EXPECT_FALSE(three.pairs.has_value());
    EXPECT_TRUE(three.ratings.has_value());
    EXPECT_TRUE(three.course.empty());
    EXPECT_TRUE(matchFigures({}).players.empty());
}

TEST(ReportFigures, SettingsMoveTimesAndNotes) {
    std::vector<GameRecord> g = sampleMatch();
    g[0].settings = {{"time", "1"}, {"seed", "7"}};
    g[0].extra = {{"stderr", "x"}};
    g[1].settings = {{"seed", "8"}, {"time", "1"}};
    auto s = settingValues(g);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].first, "time");
    EXPECT_EQ(s[0].second, std::vector<std::string>{"1"});
    EXPECT_EQ(s[1].first, "seed");
    EXPECT_EQ(s[1].second, (std::vector<std::string>{"7", "8"}));

    GameRecord r = g[2];  // three plies
    EXPECT_TRUE(plyTimes(r).empty());
    r.moveTimes = {-1, 0.25, 1.5};
    auto t = plyTimes(r);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_FALSE(t[0].has_value());
    EXPECT_DOUBLE_EQ(*t[1], 0.25);
    EXPECT_DOUBLE_EQ(*t[2], 1.5);
    // One entry too few or too many would put every time against the wrong move.
    r.moveTimes = {0.1, 0.2};
    EXPECT_TRUE(plyTimes(r).empty());
    r.moveTimes = {0.1, 0.2, 0.3, 0.4};
    EXPECT_TRUE(plyTimes(r).empty());

    r.extra = {{"stderr", "ply 12 x: depth 7"}, {"note", "ply 3 o: lingered"},
               {"stderr", "ply x: no number"},  {"stderr", "ply 4 z: bad side"},
               {"stderr", "ply 5 o:"},          {"reason", "not a note"}};
    auto n = gameNotes(r);
    ASSERT_EQ(n.size(), 5u);
    EXPECT_EQ(n[0].ply, 12);
    EXPECT_EQ(n[0].side, 'x');
    EXPECT_EQ(n[0].text, "depth 7");
    EXPECT_EQ(n[1].kind, "note");
    EXPECT_EQ(n[1].ply, 3);
    EXPECT_EQ(n[1].text, "lingered");
    EXPECT_EQ(n[2].ply, 0);
    EXPECT_EQ(n[2].text, "ply x: no number");
    EXPECT_EQ(n[3].ply, 0);
    EXPECT_EQ(n[4].ply, 5);
    EXPECT_EQ(n[4].text, "");
}

std::string dataOf(const std::vector<GameRecord>& records, const std::string& title = "t") {
    const std::vector<std::string> files(records.size(), "m.txt");
    return resultsJson(title, matchFigures(records), {records, files}, false);
}

TEST(ReportFigures, DrawsLosAndPairs) {
    Results f = matchFigures(sampleMatch());
    // A: 2 wins, 1 draw, 1 loss over the four finished games.
    EXPECT_DOUBLE_EQ(f.players[0].all.drawRatio, 0.25);
    EXPECT_DOUBLE_EQ(f.players[1].all.drawRatio, 0.25);
    // 1/2 (1 + erf((2 - 1) / sqrt(2 * 3))), worked out separately.
    EXPECT_NEAR(f.players[0].all.los, 0.718149, 1e-5);
    // Pair 0 (games 0, 1): a win and a draw, 3/2 points; pair 1 (games 2, 3): a loss and a
    // win, 1 point; game 4 is unfinished, so pair 2 is not counted.
    EXPECT_EQ(f.pairs->n, (std::array<int, 5>{0, 0, 1, 1, 0}));
    // Pair scores 1/2 and 3/4, the three empty classes at 1/1000 of a pair each: mean
    // 0.624688, variance 0.0159369, (m - 1/2) / sqrt(2 v) * 800 / ln 10 = 242.65.
    ASSERT_TRUE(f.normalized->valid);
    EXPECT_NEAR(f.normalized->elo, 242.65, 0.05);
    EXPECT_FALSE(f.sprt.has_value());  // no record names a test
}

// The recorded test, read back by the parser of --sprt.
std::optional<SprtSettings> recordedSprt(const std::string& value) {
    GameRecord r = game(0, "A", "B", Winner::X, Loss::Straights);
    r.settings = {{"sprt", value}};
    return eventOfRecords({r}).sprt;
}

TEST(ReportFigures, SprtFromTheRecordsSettings) {
    EXPECT_FALSE(recordedSprt("none").has_value());
    EXPECT_FALSE(recordedSprt("elo0=5 elo1=0").has_value());  // elo0 must be below elo1
    EXPECT_FALSE(recordedSprt("elo0=x").has_value());
    std::optional<SprtSettings> s = recordedSprt("elo0=1 elo1=7 alpha=0.1 beta=0.2");
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->elo0, 1);
    EXPECT_EQ(s->elo1, 7);
    EXPECT_EQ(s->alpha, 0.1);
    EXPECT_EQ(s->beta, 0.2);
    EXPECT_EQ(sprtText(*s), "elo0=1 elo1=7 alpha=0.1 beta=0.2");
}

TEST(ReportFigures, SprtCourseAndDecision) {
    // A sweeps every pair; the games finish out of order (1, 0, 3, 2, ...), so a pair
    // counts only once its second game is in.
    const std::string test = "elo0=0 elo1=50 alpha=0.05 beta=0.05";
    SprtSettings t = *recordedSprt(test);
    int crossing = 0;  // pairs of two wins after which the ratio first reaches H1's bound
    for (int k = 1; k < 100 && !crossing; k++) {
        Pentanomial p;
        p.n[4] = k;
        if (sprtLlr(t, p) >= std::log(0.95 / 0.05)) crossing = k;
    }
    ASSERT_GT(crossing, 1);
    std::vector<GameRecord> g;
    for (int k = 0; k < crossing + 2; k++) {
        g.push_back(game(2 * k + 1, "B", "A", Winner::O, Loss::Straights));
        g.push_back(game(2 * k, "A", "B", Winner::X, Loss::Straights));
    }
    // Then two pairs lost outright: the ratio falls back, the decision stands.
    for (int k = crossing + 2; k < crossing + 4; k++) {
        g.push_back(game(2 * k, "A", "B", Winner::O, Loss::Straights));
        g.push_back(game(2 * k + 1, "B", "A", Winner::X, Loss::Straights));
    }
    for (GameRecord& r : g) r.settings = {{"sprt", "none"}};
    EXPECT_FALSE(matchFigures(g).sprt.has_value());
    for (GameRecord& r : g) r.settings = {{"size", "6"}, {"sprt", test}};
    Results f = matchFigures(g);
    ASSERT_TRUE(f.sprt.has_value());
    EXPECT_NEAR(f.sprt->upper, std::log(0.95 / 0.05), 1e-12);
    EXPECT_NEAR(f.sprt->lower, std::log(0.05 / 0.95), 1e-12);
    EXPECT_EQ(f.sprt->verdict, SprtVerdict::AcceptH1);
    EXPECT_EQ(f.sprt->decidedAfter, 2 * crossing);
    EXPECT_EQ(f.pairs->n, (std::array<int, 5>{2, 0, 0, 0, crossing + 2}));
    EXPECT_DOUBLE_EQ(f.sprt->llr, sprtLlr(t, *f.pairs));
    ASSERT_EQ(f.course.size(), g.size());
    EXPECT_EQ(f.course[0].llr, 0);  // half a pair says nothing
    for (size_t i = 1; i < f.course.size(); i += 2) {
        Pentanomial p;
        int pairs = static_cast<int>(i / 2) + 1;
        p.n[4] = std::min(pairs, crossing + 2);
        p.n[0] = pairs - p.n[4];
        EXPECT_DOUBLE_EQ(f.course[i].llr, sprtLlr(t, p)) << i;
        if (i + 1 < f.course.size()) {
            EXPECT_EQ(f.course[i + 1].llr, f.course[i].llr) << i;
        }
    }
    EXPECT_LT(f.course.back().llr, f.course[2 * crossing - 1].llr);

    // A resumed match judged by the test of its latest run.
    g.back().settings = {{"sprt", "elo0=0 elo1=5 alpha=0.05 beta=0.05"}};
    EXPECT_EQ(matchFigures(g).sprt->settings.elo1, 5);
}

TEST(ReportFigures, RatingsOfMoreThanTwoPlayers) {
    // A round robin of three players in which every pairing splits 1-1: by symmetry every
    // rating is that of the anchor, 0.
    std::vector<GameRecord> g;
    int i = 0;
    for (auto [a, b] : {std::pair{"A", "B"}, {"B", "C"}, {"C", "A"}}) {
        g.push_back(game(i++, a, b, Winner::X, Loss::Straights));
        g.push_back(game(i++, b, a, Winner::X, Loss::Straights));
    }
    Results f = matchFigures(g);
    ASSERT_EQ(f.players.size(), 3u);
    EXPECT_FALSE(f.pairs.has_value());
    ASSERT_TRUE(f.ratings.has_value());
    for (const auto& row : f.ratings->cross) {
        int games = 0;
        for (const CrossCell& c : row) games += c.games;
        EXPECT_EQ(games, 4);  // every player met both others twice
    }
    ASSERT_TRUE(f.ratings->list.has_value());
    for (const PlayerRating& r : f.ratings->list->players) {
        EXPECT_EQ(r.kind, PlayerRating::Kind::Finite);
        EXPECT_NEAR(r.elo, 0, 1e-6);
        EXPECT_EQ(r.games, 4);
        EXPECT_EQ(r.points, 2);
    }
    // Every pair that met, as a match of its own whose course points into all the games.
    ASSERT_EQ(f.matches.size(), 3u);
    for (const PairResults& m : f.matches) {
        const Results& r = m.results[0];
        ASSERT_EQ(r.players.size(), 2u);
        EXPECT_EQ(r.players[0].name, f.players[m.first].name);
        EXPECT_EQ(wdl(r.players[0].all), "1-0-1");
        ASSERT_EQ(r.course.size(), 2u);
        for (const CoursePoint& c : r.course) {
            const GameRecord& game = g[c.index];
            EXPECT_TRUE(game.x == r.players[0].name || game.o == r.players[0].name);
            EXPECT_TRUE(game.x == r.players[1].name || game.o == r.players[1].name);
        }
    }
    nlohmann::json d = nlohmann::json::parse(dataOf(g))["results"];
    EXPECT_EQ(d["matches"].size(), 3u);
    EXPECT_TRUE(d["pairs"].is_null());
    EXPECT_TRUE(d["sprt"].is_null());
    EXPECT_EQ(d["ratings"]["cross"].size(), 3u);  // one row per player
    EXPECT_EQ(d["ratings"]["players"].size(), 3u);

    // C beats both others in every game: infinitely above A's group, not a number.
    for (GameRecord& r : g)
        if (r.x == "C" || r.o == "C") r.winner = r.x == "C" ? Winner::X : Winner::O;
    f = matchFigures(g);
    ASSERT_TRUE(f.ratings.has_value() && f.ratings->list.has_value());
    EXPECT_EQ(f.ratings->list->players[2].kind, PlayerRating::Kind::Above);
}

TEST(ReportJson, LiveTimesToTheMillisecondScoreSharesAndRanks) {
    std::vector<GameRecord> g = sampleMatch();
    g[0].timeX = 7.814729576000001;  // a sum of measured times
    g[0].timeO = 0.0004;
    for (GameRecord& r : g) r.moveTimes = {0.1234567, 0.2000001, 1.23456};
    nlohmann::json d = nlohmann::json::parse(dataOf(g));
    EXPECT_EQ(d["live"], false);
    EXPECT_EQ(d["games"][0]["time_x"], 7.815);
    EXPECT_EQ(d["games"][0]["time_o"], 0);
    EXPECT_EQ(d["games"][0]["move_times"], nlohmann::json::parse("[0.123, 0.2, 1.235]"));
    for (const auto& p : d["results"]["players"])
        for (const char* k : {"mean", "slowest"}) {
            double v = p["move_times"][k].get<double>() * 1000;
            EXPECT_NEAR(v, std::round(v), 1e-9) << p["name"] << " " << k;
        }
    const std::vector<std::string> files(g.size(), "m.txt");
    nlohmann::json live =
        nlohmann::json::parse(resultsJson("t", matchFigures(g), {g, files}, false, true));
    EXPECT_EQ(live["live"], true);
    // A's share of the points after each finished game: 1/1, 1.5/2, 1.5/3, 2.5/4.
    std::vector<double> shares;
    for (const auto& c : d["results"]["course"]) shares.push_back(c["score"]);
    EXPECT_EQ(shares, (std::vector<double>{1, 0.75, 0.5, 0.625}));

    // Four players, each taking a win and a draw from every one below it: A, B, C, D.
    std::vector<GameRecord> t;
    const char* names[] = {"D", "B", "A", "C"};  // any order of first appearance
    auto strength = [](const std::string& n) { return 'D' - n[0]; };
    for (int i = 0; i < 4; i++)
        for (int j = i + 1; j < 4; j++) {
            std::string a = names[i], b = names[j];
            if (strength(a) < strength(b)) std::swap(a, b);  // a is the stronger
            t.push_back(game(static_cast<int>(t.size()), a, b, Winner::X, Loss::Straights));
            t.push_back(game(static_cast<int>(t.size()), b, a, Winner::None, Loss::None));
        }
    nlohmann::json r = nlohmann::json::parse(dataOf(t))["results"];
    std::vector<std::string> byOrder;
    for (const auto& i : r["ratings"]["order"])
        byOrder.push_back(r["players"][i.get<int>()]["name"]);
    EXPECT_EQ(byOrder, (std::vector<std::string>{"A", "B", "C", "D"}));
    for (size_t i = 0; i < r["players"].size(); i++)
        EXPECT_EQ(r["ratings"]["players"][i]["rank"],
                  1 + strength("A") - strength(r["players"][i]["name"]));
    // Equal ratings share a rank and keep the players' order.
    std::vector<GameRecord> even;
    int n = 0;
    for (auto [a, b] : {std::pair{"A", "B"}, {"B", "C"}, {"C", "A"}}) {
        even.push_back(game(n++, a, b, Winner::X, Loss::Straights));
        even.push_back(game(n++, b, a, Winner::X, Loss::Straights));
    }
    nlohmann::json e = nlohmann::json::parse(dataOf(even))["results"]["ratings"];
    EXPECT_EQ(e["order"], nlohmann::json::parse("[0, 1, 2]"));
    for (const auto& p : e["players"]) EXPECT_EQ(p["rank"], 1);
}

TEST(ReportPage, DataStaysInertAndRoundTrips) {
    std::vector<GameRecord> g = sampleMatch();
    g[0].x = "</script><script>alert(1)</script>";
    g[2].x = g[0].x;
    g[0].extra = {{"stderr", "ply 1 x: <!-- & \xc3\x28 bad"}};
    std::string text = dataOf(g, "a < b");
    EXPECT_EQ(text.find_first_of("<>&"), std::string::npos);
    nlohmann::json d = nlohmann::json::parse(text);
    EXPECT_EQ(d["title"], "a < b");
    EXPECT_EQ(d["games"][0]["x"], g[0].x);
    EXPECT_EQ(d["games"][0]["notes"][0]["text"], "<!-- & \xef\xbf\xbd( bad");
    EXPECT_EQ(d["games"][0]["moves"], nlohmann::json::parse(R"(["L1", "T2", "R3"])"));
    EXPECT_EQ(d["games"][4]["result"], "*");
    EXPECT_EQ(d["results"]["players"][0]["name"], g[0].x);

    // Every game won: the estimate and its upper bound are infinite, written as strings.
    std::vector<GameRecord> sweep = {game(0, "A", "B", Winner::X, Loss::Straights),
                                     game(1, "B", "A", Winner::O, Loss::Straights)};
    const nlohmann::json swept = nlohmann::json::parse(dataOf(sweep))["results"];
    // The one pair won twice: the normalised Elo is infinite too, its interval one-sided,
    // and the pairs' LOS is there beside the decisive games' one.
    const nlohmann::json& pairs = swept["pairs"];
    EXPECT_EQ(pairs["normalized_elo"], "inf");
    EXPECT_EQ(pairs["normalized_elo_margin"], "inf");
    EXPECT_EQ(pairs["normalized_elo_high"], "inf");
    EXPECT_TRUE(pairs["normalized_elo_low"].is_number());  // one pair bounds it only loosely
    ASSERT_TRUE(pairs["los"].is_number());
    EXPECT_GT(pairs["los"].get<double>(), 0.5);
    nlohmann::json e = swept["players"][0]["all"];
    EXPECT_EQ(e["elo"], "inf");
    EXPECT_EQ(e["elo_high"], "inf");
    EXPECT_TRUE(e["elo_low"].is_number());

    // Names that look like the page's own markers are data, not places to fill.
    std::vector<GameRecord> odd = {game(0, "@data@", "/*@script@*/", Winner::X, Loss::Time)};
    const std::vector<std::string> files{"f"};
    std::string page = reportPage("/*@style@*/", matchFigures(odd), {odd, files});
    auto count = [&](const std::string& what) {
        size_t n = 0;
        for (size_t at = page.find(what); at != std::string::npos; at = page.find(what, at + 1))
            n++;
        return n;
    };
    EXPECT_EQ(count("const PushBoard"), 1u);
    EXPECT_EQ(count("JSON.parse(document.getElementById(\"match-data\")"), 1u);
    EXPECT_EQ(count("--straight-x: "), 1u);
    EXPECT_EQ(count("\"x\":\"@data@\""), 1u);
    EXPECT_EQ(count("<script"), 4u);
    EXPECT_EQ(count("const ReportPlot"), 1u);
    EXPECT_EQ(count("src="), 0u);
    EXPECT_EQ(count("href="), count("href=\"#\""));  // links within the page only
}

TEST(ReportPage, CommandAndWriting) {
    std::string dir = testing::TempDir();
    std::string records = dir + "report_cmd.txt", out = dir + "report_cmd.html";
    std::ofstream(records, std::ios::binary)
        << formatRecord(game(0, "A", "B", Winner::X, Loss::Straights)) << "6\nL1\nbad line\n";
    std::remove(out.c_str());
    std::ostringstream o, e;
    auto reportCommand = [](std::vector<std::string> args, std::ostream& out, std::ostream& err) {
        args.insert(args.begin(), "report");
        return runReferee(args, out, err);
    };
    EXPECT_EQ(reportCommand({records}, o, e), 2);    // no -o
    EXPECT_EQ(reportCommand({"-o", out}, o, e), 2);  // no records
    EXPECT_EQ(reportCommand({records, "-o", out, "--bogus"}, o, e), 2);
    EXPECT_EQ(reportCommand({dir + "no_such_file.txt", "-o", out}, o, e), 1);
    EXPECT_NE(access(out.c_str(), F_OK), 0);  // nothing written on failure
    // The page never replaces the records it is made from, by any name.
    std::string before = [&] {
        std::ifstream in(records, std::ios::binary);
        std::ostringstream t;
        t << in.rdbuf();
        return t.str();
    }();
    EXPECT_EQ(reportCommand({records, "-o", records}, o, e), 2);
    EXPECT_EQ(reportCommand({records, "-o", dir + "./report_cmd.txt"}, o, e), 2);
    std::ifstream again(records, std::ios::binary);
    std::ostringstream after;
    after << again.rdbuf();
    EXPECT_EQ(after.str(), before);
    EXPECT_TRUE(sameFile(records, dir + "/report_cmd.txt"));
    EXPECT_FALSE(sameFile(records, out));

    e.str("");
    ASSERT_EQ(reportCommand({records, "-o", out}, o, e), 0) << e.str();
    EXPECT_NE(e.str().find("line 21: 'bad line'"), std::string::npos) << e.str();
    std::ifstream in(out, std::ios::binary);
    std::ostringstream page;
    page << in.rdbuf();
    EXPECT_NE(page.str().find("<title>"), std::string::npos);
    EXPECT_NE(page.str().find("A vs B"), std::string::npos);
    EXPECT_NE(access((out + ".part").c_str(), F_OK), 0);

    std::ostringstream toStdout;
    ASSERT_EQ(reportCommand({records, "-o", "-", "--title", "T"}, toStdout, e), 0);
    EXPECT_EQ(toStdout.str().rfind("<!DOCTYPE html>", 0), 0u);

    const std::vector<GameRecord> none;
    const std::vector<std::string> noFiles;
    auto err = writeReport(dir + "no_such_dir/r.html", "t", matchFigures(none), {none, noFiles});
    ASSERT_TRUE(err.has_value());
    EXPECT_NE(access((dir + "no_such_dir/r.html.part").c_str(), F_OK), 0);
}

}  // namespace
