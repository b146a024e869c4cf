// The match report in a real browser, its replay and its address: a short match of the
// project's players is made into a report, every game is stepped through in headless
// Chromium with the keys, the buttons and the move list, and the board the page draws after
// every ply must be the cell model's; the address names games by their record's number and
// is followed when it changes; a live page reloads itself on the game and ply shown.
#include <cmath>
#include <fstream>
#include <thread>

#include "browser_checks.h"
#include "tests/fresh_record.h"

using nlohmann::json;
using referee::GameRecord;

namespace browsertest {
namespace {

// Two games of analyze against pusher6, with the page rewritten after each; the records.
referee::RecordFile playRealMatch(const std::string& dir) {
    std::string records = dir + "/match.txt", live = dir + "/live.html";
    std::string err;
    EXPECT_EQ(runReferee({"-n",
                          "6",
                          "--games",
                          "2",
                          "--max-plies",
                          "40",
                          "--random-openings",
                          "2",
                          "--seed",
                          "3",
                          "-j",
                          "2",
                          "-a",
                          std::string(ANALYZE) + " --quiet --depth 3",
                          "--a-time",
                          "20",
                          "-b",
                          PUSHER6,
                          "--b-proto",
                          "byteboard",
                          "--b-time",
                          "1",
                          "-o",
                          records,
                          "--report",
                          live},
                         &err),
              0)
        << err;
    referee::RecordFile file = referee::parseRecords(readFile(records));
    // The page of the last game says the run is over, and holds both games.
    std::string livePage = readFile(live);
    EXPECT_NE(livePage.find("\"live\":false"), std::string::npos);
    EXPECT_NE(livePage.find("\"game\":0"), std::string::npos);
    EXPECT_NE(livePage.find("\"game\":1"), std::string::npos);
    EXPECT_EQ(runReferee({"report", records, "-o", dir + "/report.html"}, &err), 0) << err;
    return file;
}

// The result table against the records, counted here; the times in the page's data are
// whole milliseconds.
void expectResultTable(HeadlessBrowser& b, const std::vector<GameRecord>& games) {
    for (const std::string& name : {games[0].x, games[0].o}) {
        int wins = 0, draws = 0, losses = 0;
        for (const GameRecord& r : games) {
            if (r.winner == referee::Winner::None)
                draws++;
            else if ((r.winner == referee::Winner::X) == (r.x == name))
                wins++;
            else
                losses++;
        }
        json row;
        for (const json& r : tableRows(b, "#table"))
            if (r[0] == name) row = r;
        ASSERT_TRUE(row.is_array()) << name;
        EXPECT_EQ(row[1], "2");
        EXPECT_EQ(row[2], std::to_string(wins) + "-" + std::to_string(draws) + "-" +
                              std::to_string(losses));
    }
    json times = b.eval(
        "JSON.parse(document.getElementById('match-data').textContent).games.flatMap((g) => "
        "[g.time_x, g.time_o, ...g.move_times.filter((t) => t !== null)])");
    ASSERT_GT(times.size(), 4u);
    for (const json& t : times)
        EXPECT_NEAR(t.get<double>() * 1000, std::round(t.get<double>() * 1000), 1e-6) << t;
}

// Every ply of game g with the arrow keys, then the buttons, End, the move list and Home.
void stepThrough(HeadlessBrowser& b, const GameRecord& r, size_t g) {
    int plies = static_cast<int>(r.moves.size());
    ASSERT_GT(plies, 4);
    b.click("#games tbody tr[data-index=\"" + std::to_string(g) + "\"]");
    expectBoard(b, r, 0, "opened");
    for (int p = 1; p <= plies; p++) {
        b.key("ArrowRight", 39);
        expectBoard(b, r, p, "right arrow");
    }
    b.key("ArrowRight", 39);  // nothing after the last ply
    expectBoard(b, r, plies, "right arrow at the end");
    b.key("ArrowLeft", 37);
    expectBoard(b, r, plies - 1, "left arrow");
    b.click("#prev");
    expectBoard(b, r, plies - 2, "back button");
    b.click("#next");
    expectBoard(b, r, plies - 1, "forward button");
    b.click("#first");
    expectBoard(b, r, 0, "start button");
    b.click("#prev");  // nothing before the start
    expectBoard(b, r, 0, "back button at the start");
    b.key("End", 35);
    expectBoard(b, r, plies, "End key");
    b.click("#moves tbody tr[data-ply=\"3\"]");
    expectBoard(b, r, 3, "move list");
    b.key("Home", 36);
    expectBoard(b, r, 0, "Home key");
}

// The game list filtered by how a game ended and by player.
void expectFilters(HeadlessBrowser& b, const std::vector<GameRecord>& games) {
    auto ending = [](const GameRecord& r) {
        return r.winner == referee::Winner::None ? std::string("move cap")
                                                 : referee::lossName(r.loss);
    };
    int sameEnd = 0;
    for (const GameRecord& r : games) sameEnd += ending(r) == ending(games[0]);
    auto filtered = [&](const std::string& id, const std::string& value) {
        return b.eval("(() => { const s = document.getElementById('" + id +
                      "'); s.value = " + json(value).dump() +
                      "; s.dispatchEvent(new Event('change')); "
                      "return document.querySelectorAll('#games tbody tr').length; })()");
    };
    EXPECT_EQ(filtered("filter-ended", ending(games[0])), sameEnd);
    EXPECT_EQ(filtered("filter-ended", "crash"), 0);
    filtered("filter-ended", "");
    EXPECT_EQ(filtered("filter-player", games[0].x), 2);
}

// A phone: the page does not scroll sideways, and stepping keeps the board where it is (the
// move list below scrolls by itself).
void expectPhoneReplay(HeadlessBrowser& b, const GameRecord& first) {
    setViewport(b, 390, 844);
    b.click("#games tbody tr[data-index=\"0\"]");
    expectNoSideways(b, 390);
    EXPECT_LE(
        b.eval("document.getElementById('board').getBoundingClientRect().right").get<double>(),
        390);
    b.key("Home", 36);
    double at = b.eval("document.getElementById('board').scrollIntoView(); scrollY").get<double>();
    for (int p = 0; p < 5; p++) b.key("ArrowRight", 39);
    expectBoard(b, first, std::min(5, static_cast<int>(first.moves.size())), "phone");
    EXPECT_EQ(b.eval("scrollY").get<double>(), at);
}

TEST_F(ReportBrowser, RealMatchReplaysAsTheModelPlyByPly) {
    std::string dir = tempDir("match");
    referee::RecordFile file = playRealMatch(dir);
    ASSERT_EQ(file.records.size(), 2u);
    for (const GameRecord& r : file.records) ASSERT_TRUE(r.complete);

    HeadlessBrowser b;
    ASSERT_TRUE(b.start(chromium(), dir + "/profile")) << b.error;
    setViewport(b, 1400, 900);
    std::string url = "file://" + dir + "/report.html";
    b.open(url);
    expectResultTable(b, file.records);
    // Two plots, each a line through one point per finished game.
    EXPECT_EQ(b.eval("document.querySelectorAll('#plots svg').length"), 2);
    EXPECT_EQ(b.eval("document.querySelectorAll('#plot-score polyline.curve')[0]"
                     ".getAttribute('points').trim().split(/\\s+/).length"),
              2);
    for (size_t g = 0; g < file.records.size(); g++) stepThrough(b, file.records[g], g);
    expectFilters(b, file.records);
    expectSelfContained(b, url);
    expectPhoneReplay(b, file.records[0]);
}

// Two games with settings, move times and hostile standard error, then two that fill a
// column and then a row (the second push of a full row dropping its far piece).
std::string keysRecords() {
    std::string text;
    for (int g = 0; g < 2; g++) {
        GameRecord r =
            referee::parseRecords("6\n" + testrecords::freshRecord(6, 8, 11 + g)).records.at(0);
        r.game = g;
        r.opening = 0;
        r.openingPlies = 2;
        r.x = g == 0 ? "alpha" : "beta";
        r.o = g == 0 ? "beta" : "alpha";
        r.winner = referee::Winner::O;
        r.loss = referee::Loss::Time;
        r.reason = "X took too long at ply 9";
        r.settings = {{"time", "1"}, {"seed", g == 0 ? "7" : "8"}};
        r.moveTimes = {-1, -1, 0.25, 0.5, 0.125, 1, 2, 0.001};
        r.extra = {{"stderr", "ply 3 x: </script><script>document.title = 'taken'</script>"},
                   {"stderr", "ply 4 o: depth 5 \xff"}};
        text += referee::formatRecord(r);
    }
    std::vector<std::string> fill[2] = {{"T1", "T3"}, {"L1", "L3"}};
    for (int g = 0; g < 2; g++) {
        GameRecord r;
        r.size = 6;
        r.game = 2 + g;
        r.x = g == 0 ? "alpha" : "beta";
        r.o = g == 0 ? "beta" : "alpha";
        for (int p = 0; p < 14; p++) r.moves.push_back(*model::parseMove(fill[g][p % 2], 6));
        r.winner = referee::Winner::X;
        r.loss = referee::Loss::Straights;
        text += referee::formatRecord(r);
    }
    return text;
}

// Settings, move times and notes shown as text whatever they hold.
void expectKeysShown(HeadlessBrowser& b) {
    EXPECT_EQ(b.eval("document.title"), "<b>keys</b>");
    EXPECT_EQ(b.eval("document.scripts.length"), 4);
    EXPECT_EQ(tableRows(b, "#settings"), json::parse(R"([["time", "1"], ["seed", "7  |  8"]])"));
    EXPECT_EQ(b.eval("[...document.querySelectorAll('#moves tbody tr')].map((tr) => "
                     "tr.cells[3].textContent)"),
              json::parse(R"(["", "", "", "0.250 s", "0.500 s", "0.125 s", "1.000 s", "2.000 s",
                              "0.001 s"])"));
    b.click("#moves tbody tr[data-ply=\"3\"]");
    EXPECT_EQ(b.eval("[...document.querySelectorAll('#notes li')].map((li) => "
                     "[li.textContent, li.classList.contains('current')])"),
              json::parse(R"([["ply 3 X: </script><script>document.title = 'taken'</script>", true],
                              ["ply 4 O: depth 5 \ufffd", false]])"));
    EXPECT_EQ(b.eval("document.title"), "<b>keys</b>");
    // Each player has won one game as O and lost the other as X, on time; the straights games
    // were won by X.
    EXPECT_EQ(b.eval("[...document.querySelectorAll('#table-more tbody tr')].map((tr) => "
                     "[0, 1, 3, 5, 9].map((i) => tr.cells[i].textContent))"),
              json::parse(R"([["alpha", "1-0-1", "1-0-1", "1", "1"],
                              ["beta", "1-0-1", "1-0-1", "1", "1"]])"));
}

// Space plays the moves one by one up to the end; at the end it starts again, and pauses.
void expectAutoplay(HeadlessBrowser& b, const GameRecord& r) {
    const std::string ply = "Number(document.getElementById('board').dataset.ply)";
    const std::string pressed = "document.getElementById('play').getAttribute('aria-pressed')";
    b.click("#games tbody tr[data-index=\"2\"]");
    b.key("End", 35);
    b.key("ArrowLeft", 37);
    b.key("ArrowLeft", 37);
    b.key(" ", 32);
    EXPECT_EQ(b.eval(pressed), "true");
    EXPECT_TRUE(waitFor(b, ply + " === 14 && " + pressed + " === 'false'", 5));
    b.click("#play");
    EXPECT_TRUE(waitFor(b, ply + " >= 1", 5));
    b.key(" ", 32);
    EXPECT_EQ(b.eval(pressed), "false");
    int at = b.eval(ply);
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    expectBoard(b, r, at, "paused");
}

TEST_F(ReportBrowser, SettingsMoveTimesNotesAndAutoplay) {
    std::string dir = tempDir("keys");
    std::string text = keysRecords();
    std::string records = dir + "/keys.txt", page = dir + "/keys.html";
    std::ofstream(records, std::ios::binary) << text;
    std::string err;
    ASSERT_EQ(runReferee({"report", records, "-o", page, "--title", "<b>keys</b>"}, &err), 0)
        << err;
    HeadlessBrowser b;
    ASSERT_TRUE(b.start(chromium(), dir + "/profile")) << b.error;
    std::string url = "file://" + page;
    b.open(url);
    expectKeysShown(b);
    referee::RecordFile file = referee::parseRecords(text);
    ASSERT_EQ(file.records.size(), 4u);
    for (size_t g = 0; g < file.records.size(); g++) {
        const GameRecord& r = file.records[g];
        b.click("#games tbody tr[data-index=\"" + std::to_string(g) + "\"]");
        for (int p = 1; p <= static_cast<int>(r.moves.size()); p++) {
            b.key("ArrowRight", 39);
            expectBoard(b, r, p, "right arrow");
        }
    }
    // The steps above met column straights (game 2) and row straights (game 3) of both sides.
    using Line = std::tuple<char, int, char>;
    EXPECT_EQ(expected(file.records[2], 14).straights,
              (std::set<Line>{{'c', 1, 'X'}, {'c', 3, 'O'}}));
    EXPECT_EQ(expected(file.records[3], 14).straights,
              (std::set<Line>{{'r', 1, 'X'}, {'r', 3, 'O'}}));
    expectAutoplay(b, file.records[2]);
    expectSelfContained(b, url);
}

// Games stored in the order they finished (1, 0, 3, 2, ...): list places and numbers differ.
std::vector<GameRecord> outOfOrder(int pairs) {
    std::vector<GameRecord> g;
    for (int k = 0; k < pairs; k++)
        for (int n : {2 * k + 1, 2 * k})
            g.push_back(handMade(n, n % 2 ? "B" : "A", n % 2 ? "A" : "B",
                                 n % 3 ? referee::Winner::X : referee::Winner::O));
    return g;
}

// What the replay shows: the title's number, the selected row's number, the ply, the address.
json replayShown(HeadlessBrowser& b) {
    return b.eval(
        "[document.getElementById('replay-title').textContent.split(':')[0],"
        " document.querySelector('#games tr.selected').cells[0].textContent,"
        " Number(document.getElementById('board').dataset.ply), location.hash]");
}

// Two files that both hold games 0 and 1, and a plain move list without a game number: the
// address adds the file where numbers are shared, and names the move list by its place.
void expectSharedNumbers(HeadlessBrowser& b, const std::string& dir) {
    std::string text;
    for (const GameRecord& r : outOfOrder(1)) text += referee::formatRecord(r);
    std::ofstream(dir + "/a.txt") << text;
    std::ofstream(dir + "/b.txt") << text;
    std::ofstream(dir + "/moves.txt") << "6\nL1\nL2\n";
    std::string err, page = dir + "/files.html";
    ASSERT_EQ(runReferee({"report", "a.txt", "b.txt", "moves.txt", "-o", page}, &err, dir), 0)
        << err;
    b.open("file://" + page + "#file=b.txt&game=0&ply=2");
    EXPECT_EQ(replayShown(b), json::parse(R"(["Game 0", "0", 2, "#file=b.txt&game=0&ply=2"])"));
    EXPECT_EQ(b.eval("document.getElementById('replay-title').textContent.endsWith('(b.txt)')"),
              true);
    EXPECT_EQ(b.eval("document.querySelector('#games tr.selected').dataset.index"), "3");
    b.click("#games tbody tr[data-index=\"4\"]");
    EXPECT_EQ(b.eval("location.hash"), "#entry=5&ply=0");
    EXPECT_EQ(b.eval("document.getElementById('replay-title').textContent.split(':')[0]"),
              "Entry 5");
}

TEST_F(ReportBrowser, AddressNamesTheRecordsGameAndIsFollowed) {
    std::string dir = tempDir("address");
    std::string page = dir + "/address.html";
    writePage(page, outOfOrder(4), false);
    HeadlessBrowser b;
    ASSERT_TRUE(b.start(chromium(), dir + "/profile")) << b.error;
    b.open("file://" + page + "#game=4&ply=1");
    EXPECT_EQ(replayShown(b), json::parse(R"(["Game 4", "4", 1, "#game=4&ply=1"])"));
    // The list holds the records' numbers in the stored order.
    EXPECT_EQ(b.eval("[...document.querySelectorAll('#games tbody tr')].map((tr) => "
                     "tr.cells[0].textContent).join(' ')"),
              "1 0 3 2 5 4 7 6");
    // A changed address is followed; one naming no game keeps the game shown.
    b.eval("location.hash = '#game=7&ply=2'");
    EXPECT_TRUE(waitFor(b,
                        "document.getElementById('replay-title').textContent"
                        ".startsWith('Game 7')"));
    EXPECT_EQ(replayShown(b), json::parse(R"(["Game 7", "7", 2, "#game=7&ply=2"])"));
    b.eval("location.hash = '#game=99'");
    EXPECT_TRUE(waitFor(b, "location.hash === '#game=7&ply=2'"));
    // n and p: the next and previous game of the list, from its start.
    b.key("n", 78);
    EXPECT_EQ(replayShown(b), json::parse(R"(["Game 6", "6", 0, "#game=6&ply=0"])"));
    b.key("p", 80);
    b.key("p", 80);
    EXPECT_EQ(replayShown(b), json::parse(R"(["Game 4", "4", 0, "#game=4&ply=0"])"));
    b.click("#next-game");
    EXPECT_EQ(replayShown(b)[0], "Game 7");
    // Going back in the browser's history returns to the game shown before.
    b.eval("location.hash = '#game=0&ply=2'");
    EXPECT_TRUE(waitFor(b, "location.hash === '#game=0&ply=2'"));
    b.eval("history.back()");
    EXPECT_TRUE(waitFor(b,
                        "document.getElementById('replay-title').textContent"
                        ".startsWith('Game 7')"));
    expectSharedNumbers(b, dir);
}

// The page of the first `count` games (hand-made, stored in finishing order), live or not.
void writeLive(const std::string& page, int count, bool live) {
    std::vector<GameRecord> g = outOfOrder(4);
    g.resize(count);
    for (GameRecord& r : g) {
        r.moves.clear();
        for (const char* m : {"L1", "T3", "R2", "B4", "L5", "T6", "R1", "B2"})
            r.moves.push_back(*model::parseMove(m, 6));
    }
    writePage(page, g, live);
}

TEST_F(ReportBrowser, LivePageReloadsOnTheGameAndPlyShown) {
    std::string dir = tempDir("live");
    std::string page = dir + "/live.html";
    writeLive(page, 2, true);
    HeadlessBrowser b;
    ASSERT_TRUE(b.start(chromium(), dir + "/profile")) << b.error;
    // Time runs five times faster in the page: its ten seconds between reloads take two here.
    b.call("Page.addScriptToEvaluateOnNewDocument",
           {{"source",
             "{ const later = window.setTimeout;"
             " window.setTimeout = (f, ms, ...a) => later(f, (ms || 0) / 5, ...a); }"}});
    b.open("file://" + page + "#game=0&ply=3");
    EXPECT_EQ(b.eval("document.getElementById('live').hidden"), false);
    // The reader moves on by two plies; the next pages keep that place.
    b.key("ArrowRight", 39);
    b.key("ArrowRight", 39);
    EXPECT_EQ(replayShown(b), json::parse(R"(["Game 0", "0", 5, "#game=0&ply=5"])"));
    const std::string reloaded = "performance.getEntriesByType('navigation')[0].type === 'reload'";
    const std::string rows = "document.querySelectorAll('#games tbody tr').length === ";
    double at = b.eval("document.getElementById('replay').scrollIntoView(); scrollY").get<double>();
    ASSERT_GT(at, 0);
    writeLive(page, 3, true);
    ASSERT_TRUE(waitFor(b, reloaded + " && " + rows + "3"));
    EXPECT_EQ(replayShown(b), json::parse(R"(["Game 0", "0", 5, "#game=0&ply=5"])"));
    EXPECT_EQ(b.eval("scrollY").get<double>(), at);  // and where the page was
    writeLive(page, 4, false);
    ASSERT_TRUE(waitFor(b, rows + "4"));
    EXPECT_EQ(replayShown(b), json::parse(R"(["Game 0", "0", 5, "#game=0&ply=5"])"));
    EXPECT_EQ(b.eval("document.getElementById('live').hidden"), true);
    // The last page of a run stays: no reload after more than its interval.
    b.eval("window.stays = true");
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(b.eval("window.stays === true"), true);
}

}  // namespace
}  // namespace browsertest
