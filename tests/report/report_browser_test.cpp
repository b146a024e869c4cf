// The match report in a real browser: a short match of the project's players is made into a
// report, every game is stepped through in headless Chromium with the keys, the buttons and
// the move list, and the board the page draws after every ply must be the cell model's.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

#include "headless_browser.h"
#include "model/cell_model.h"
#include "referee/players/process.h"
#include "referee/records/record.h"
#include "referee/stats/sprt.h"
#include "tests/fresh_record.h"

using browsertest::HeadlessBrowser;
using nlohmann::json;
using referee::GameRecord;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string chromium() {
    std::string path = CHROMIUM;
    return !path.empty() && access(path.c_str(), X_OK) == 0 ? path : "";
}

int runReferee(const std::vector<std::string>& args, std::string* err = nullptr) {
    referee::RunRequest req;
    req.argv = {REFEREE};
    req.argv.insert(req.argv.end(), args.begin(), args.end());
    req.deadline = 600;
    req.keep = 1 << 20;
    referee::RunResult run = referee::runProcess(req);
    if (err) *err = run.err;
    return run.end == referee::RunResult::End::Exited ? run.status : -1;
}

// What the page's board shows, read from the SVG it drew.
struct Shown {
    int ply = -1;
    std::set<std::tuple<int, int, char>> pieces;      // row, column, X or O (1-based)
    std::set<std::pair<int, int>> entered;            // cells ringed as the piece that came in
    std::string arrow;                                // "L3", or "" without one
    std::set<std::tuple<char, int, char>> straights;  // 'r'/'c', line, X or O
    std::set<std::string> labels;                     // row and column numbers
    int labelCount = 0;
};

Shown readBoard(HeadlessBrowser& b) {
    json v = b.eval(R"((() => {
      const svg = document.getElementById('board');
      const pieces = [...svg.querySelectorAll('circle.piece')].map((c) => [
        Number(c.dataset.row), Number(c.dataset.col),
        c.classList.contains('piece-x') ? 'X' : c.classList.contains('piece-o') ? 'O' : '?',
        c.classList.contains('entered')]);
      const arrow = svg.querySelector('.arrow');
      const straights = [...svg.querySelectorAll('rect.straight')].map((s) => [
        s.dataset.kind, Number(s.dataset.index), s.classList.contains('straight-x') ? 'X' : 'O']);
      const labels = [...svg.querySelectorAll('text.label')].map((t) => t.textContent);
      return {ply: Number(svg.dataset.ply), pieces, straights, labels,
              arrow: arrow ? arrow.dataset.side + arrow.dataset.line : ''};
    })())");
    Shown s;
    s.ply = v["ply"];
    for (const json& p : v["pieces"]) {
        s.pieces.insert({p[0].get<int>(), p[1].get<int>(), p[2].get<std::string>()[0]});
        if (p[3].get<bool>()) s.entered.insert({p[0].get<int>(), p[1].get<int>()});
    }
    s.arrow = v["arrow"];
    for (const json& t : v["straights"])
        s.straights.insert(
            {t[0].get<std::string>()[0], t[1].get<int>(), t[2].get<std::string>()[0]});
    for (const json& l : v["labels"]) s.labels.insert(l.get<std::string>()), s.labelCount++;
    return s;
}

// The same, worked out on the cell model.
Shown expected(const GameRecord& r, int ply) {
    Shown s;
    s.ply = ply;
    int n = r.size;
    model::Board board(n);
    for (int i = 0; i < ply; i++)
        board.push(r.moves[i], i % 2 == 0 ? model::Piece::X : model::Piece::O);
    for (int row = 0; row < n; row++)
        for (int col = 0; col < n; col++)
            if (board.at(row, col) != model::Piece::None)
                s.pieces.insert({row + 1, col + 1, model::pieceChar(board.at(row, col))});
    if (ply > 0) {
        model::Move m = r.moves[ply - 1];
        s.arrow = model::moveName(m);
        int k = m.line;
        s.entered.insert(m.side == 'L'   ? std::pair{k, 1}
                         : m.side == 'R' ? std::pair{k, n}
                         : m.side == 'T' ? std::pair{1, k}
                                         : std::pair{n, k});
    }
    for (int a = 0; a < n; a++) {
        model::Piece row = board.at(a, 0), col = board.at(0, a);
        for (int b = 1; b < n; b++) {
            if (board.at(a, b) != row) row = model::Piece::None;
            if (board.at(b, a) != col) col = model::Piece::None;
        }
        if (row != model::Piece::None) s.straights.insert({'r', a + 1, model::pieceChar(row)});
        if (col != model::Piece::None) s.straights.insert({'c', a + 1, model::pieceChar(col)});
    }
    for (int i = 1; i <= n; i++) s.labels.insert(std::to_string(i));
    s.labelCount = 2 * n;
    return s;
}

void expectBoard(HeadlessBrowser& b, const GameRecord& r, int ply, const std::string& how) {
    Shown got = readBoard(b), want = expected(r, ply);
    std::string where =
        "game " + std::to_string(r.game) + ", ply " + std::to_string(ply) + " (" + how + ")";
    EXPECT_EQ(got.ply, want.ply) << where;
    EXPECT_EQ(got.pieces, want.pieces) << where;
    EXPECT_EQ(got.entered, want.entered) << where;
    EXPECT_EQ(got.arrow, want.arrow) << where;
    EXPECT_EQ(got.straights, want.straights) << where;
    EXPECT_EQ(got.labels, want.labels) << where;
    EXPECT_EQ(got.labelCount, want.labelCount) << where;
}

// No script errors and nothing fetched from anywhere but the file itself.
void expectSelfContained(HeadlessBrowser& b, const std::string& url) {
    for (const json& e : b.events) {
        std::string method = e.value("method", "");
        EXPECT_NE(method, "Runtime.exceptionThrown") << e.dump();
        if (method == "Network.requestWillBeSent") {
            std::string asked = e["params"]["request"]["url"];
            EXPECT_EQ(asked.substr(0, url.size()), url) << "the page fetched " << asked;
        }
    }
    EXPECT_EQ(b.eval("document.querySelectorAll('[src], link[href]').length"), 0);
}

class ReportBrowser : public testing::Test {
  protected:
    void SetUp() override {
        if (chromium().empty())
            GTEST_SKIP() << "chromium not found (" << CHROMIUM
                         << "); install it with tools/install-deps.sh to run the browser tests";
    }
    // A fresh folder for the records, pages and browser profile; kept when the test fails.
    std::string tempDir(const std::string& name) {
        dir_ = testing::TempDir() + "report_browser_" + name + "_" + std::to_string(getpid());
        removeDir();
        mkdir(dir_.c_str(), 0755);
        return dir_;
    }
    void TearDown() override {
        if (!HasFailure()) removeDir();
    }

  private:
    void removeDir() {
        if (dir_.empty()) return;
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string dir_;
};

TEST_F(ReportBrowser, RealMatchReplaysAsTheModelPlyByPly) {
    std::string dir = tempDir("match");
    std::string records = dir + "/match.txt", live = dir + "/live.html",
                page = dir + "/report.html";
    std::string err;
    ASSERT_EQ(runReferee({"-n",
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
    ASSERT_EQ(file.records.size(), 2u);
    for (const GameRecord& r : file.records) ASSERT_TRUE(r.complete);
    // The page rewritten after every game holds both games as well.
    std::string livePage = readFile(live);
    EXPECT_NE(livePage.find("\"game\":0"), std::string::npos);
    EXPECT_NE(livePage.find("\"game\":1"), std::string::npos);
    ASSERT_EQ(runReferee({"report", records, "-o", page}, &err), 0) << err;

    HeadlessBrowser b;
    ASSERT_TRUE(b.start(chromium(), dir + "/profile")) << b.error;
    b.call("Emulation.setDeviceMetricsOverride",
           {{"width", 1000}, {"height", 1300}, {"deviceScaleFactor", 1}, {"mobile", false}});
    std::string url = "file://" + page;
    b.open(url);

    // The result table, counted from the records here.
    for (const std::string& name : {file.records[0].x, file.records[0].o}) {
        int wins = 0, draws = 0, losses = 0;
        for (const GameRecord& r : file.records) {
            if (r.x != name && r.o != name) continue;
            if (r.winner == referee::Winner::None)
                draws++;
            else if ((r.winner == referee::Winner::X) == (r.x == name))
                wins++;
            else
                losses++;
        }
        json row = b.eval(
            "[...document.querySelectorAll('#table tbody tr')].map((tr) => "
            "[...tr.cells].map((c) => c.textContent)).find((c) => c[0] === " +
            json(name).dump() + ")");
        ASSERT_TRUE(row.is_array()) << name;
        EXPECT_EQ(row[1], "2");
        EXPECT_EQ(row[2], std::to_string(wins));
        EXPECT_EQ(row[3], std::to_string(draws));
        EXPECT_EQ(row[4], std::to_string(losses));
    }
    // Two plots, each a line through one point per finished game.
    EXPECT_EQ(b.eval("document.querySelectorAll('#plots svg').length"), 2);
    EXPECT_EQ(b.eval("[...document.querySelectorAll('#plots polyline.curve')].map((p) => "
                     "p.getAttribute('points').trim().split(/\\s+/).length)"),
              json::array({2, 2}));

    for (size_t g = 0; g < file.records.size(); g++) {
        const GameRecord& r = file.records[g];
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
    const GameRecord& first = file.records[0];
    std::string ended =
        first.winner == referee::Winner::None ? "move cap" : referee::lossName(first.loss);
    int sameEnd = 0;
    for (const GameRecord& r : file.records)
        sameEnd +=
            (r.winner == referee::Winner::None ? "move cap" : referee::lossName(r.loss)) == ended;
    EXPECT_EQ(b.eval("(() => { const s = document.getElementById('filter-ended'); s.value = " +
                     json(ended).dump() +
                     "; s.dispatchEvent(new Event('change')); "
                     "return document.querySelectorAll('#games tbody tr').length; })()"),
              sameEnd);
    EXPECT_EQ(b.eval("(() => { const s = document.getElementById('filter-ended'); s.value = "
                     "'crash'; s.dispatchEvent(new Event('change')); "
                     "return document.querySelectorAll('#games tbody tr').length; })()"),
              0);
    EXPECT_EQ(b.eval("(() => { const e = document.getElementById('filter-ended'); e.value = '';"
                     " const s = document.getElementById('filter-player'); s.value = 'no one';"
                     " s.value = " +
                     json(first.x).dump() +
                     "; s.dispatchEvent(new Event('change')); "
                     "return document.querySelectorAll('#games tbody tr').length; })()"),
              2);
    expectSelfContained(b, url);

    // A mid-game position of the first game, kept for the documentation.
    b.click("#games tbody tr[data-index=\"0\"]");
    int mid = static_cast<int>(first.moves.size()) / 2;
    for (int p = 0; p < mid; p++) b.key("ArrowRight", 39);
    expectBoard(b, first, mid, "screenshot");
    b.eval("window.scrollTo(0, 0)");
    std::string shot = dir + "/report.png";
    b.screenshot(shot, 1000, 1300);
    EXPECT_EQ(readFile(shot).substr(1, 3), "PNG");
    if (const char* keep = getenv("REPORT_SCREENSHOT")) std::rename(shot.c_str(), keep);

    // A narrow window: the page itself does not scroll sideways.
    b.call("Emulation.setDeviceMetricsOverride",
           {{"width", 360}, {"height", 480}, {"deviceScaleFactor", 1}, {"mobile", true}});
    EXPECT_LE(b.eval("document.documentElement.scrollWidth").get<int>(), 360)
        << "overflowing: "
        << b.eval(
               "[...document.querySelectorAll('*')].filter((e) => e.scrollWidth > "
               "e.clientWidth + 1 && !e.closest('svg') && !e.classList.contains('scroll'))"
               ".map((e) => e.tagName + '#' + e.id + '.' + e.className).join(' ')");
    EXPECT_LE(
        b.eval("document.getElementById('board').getBoundingClientRect().right").get<double>(),
        360);
    // Stepping keeps the board where it is; the move list below scrolls by itself.
    b.key("Home", 36);
    double at = b.eval("document.getElementById('board').scrollIntoView(); scrollY").get<double>();
    for (int p = 0; p < 5; p++) b.key("ArrowRight", 39);
    expectBoard(b, first, std::min(5, static_cast<int>(first.moves.size())), "narrow window");
    EXPECT_EQ(b.eval("scrollY").get<double>(), at);
}

// Keys a match may carry besides the result: settings, the time of every ply and the
// players' standard error, which must be shown as text whatever it holds.
TEST_F(ReportBrowser, SettingsMoveTimesAndNotes) {
    std::string dir = tempDir("keys");
    std::string text;
    for (int g = 0; g < 2; g++) {
        referee::RecordFile moves =
            referee::parseRecords("6\n" + testrecords::freshRecord(6, 8, 11 + g));
        GameRecord r = moves.records.at(0);
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
    // Two more games that fill a column and then a row, the second push of a full row
    // dropping its far piece.
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
    std::string records = dir + "/keys.txt", page = dir + "/keys.html";
    std::ofstream(records, std::ios::binary) << text;
    std::string err;
    ASSERT_EQ(runReferee({"report", records, "-o", page, "--title", "<b>keys</b>"}, &err), 0)
        << err;

    HeadlessBrowser b;
    ASSERT_TRUE(b.start(chromium(), dir + "/profile")) << b.error;
    std::string url = "file://" + page;
    b.open(url);
    EXPECT_EQ(b.eval("document.title"), "<b>keys</b>");
    EXPECT_EQ(b.eval("document.scripts.length"), 3);
    EXPECT_EQ(b.eval("[...document.querySelectorAll('#settings tbody tr')].map((tr) => "
                     "[...tr.cells].map((c) => c.textContent))"),
              json::parse(R"([["time", "1"], ["seed", "7  |  8"]])"));
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
    // Each player has won one game as O, and lost the other as X, on time.
    EXPECT_EQ(b.eval("[...document.querySelectorAll('#table tbody tr')].map((tr) => "
                     "[tr.cells[0].textContent, tr.cells[7].textContent, tr.cells[8].textContent,"
                     " tr.cells[9].textContent, tr.cells[10].textContent])"),
              json::parse(R"([["alpha", "0.0", "1-0-1", "1-0-1", "1"],
                        ["beta", "0.0", "1-0-1", "1-0-1", "1"]])"));

    referee::RecordFile file = referee::parseRecords(text);
    ASSERT_EQ(file.records.size(), 4u);
    for (size_t g = 0; g < file.records.size(); g++) {
        const GameRecord& r = file.records[g];
        b.click("#games tbody tr[data-index=\"" + std::to_string(g) + "\"]");
        expectBoard(b, r, 0, "opened");
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
    expectSelfContained(b, url);
}

// A match with a sequential test that A wins pair after pair, then a round robin of three:
// the test's state and verdict, the ratio's plot with its bounds, and the rating list and
// cross table.
TEST_F(ReportBrowser, SprtStateAndRatings) {
    std::string dir = tempDir("sprt");
    const std::string test = "elo0=0 elo1=50 alpha=0.05 beta=0.05";
    referee::SprtSettings settings;  // the same test
    settings.elo1 = 50;
    int crossing = 0;  // pairs of two wins after which H1 is first accepted
    for (int k = 1; k < 100 && !crossing; k++) {
        referee::Pentanomial p;
        p.n[4] = k;
        if (referee::sprtLlr(settings, p) >= std::log(0.95 / 0.05)) crossing = k;
    }
    ASSERT_GT(crossing, 1);
    auto record = [](int game, const std::string& x, const std::string& o, referee::Winner w) {
        GameRecord r;
        r.size = 6;
        r.game = game;
        r.x = x;
        r.o = o;
        r.moves = {*model::parseMove("L1", 6), *model::parseMove("L2", 6)};
        r.winner = w;
        r.loss = w == referee::Winner::None ? referee::Loss::None : referee::Loss::Straights;
        r.reason = "hand-made";
        return r;
    };
    std::string text;
    int games = 2 * crossing + 2;
    for (int g = 0; g < games; g++) {
        // A wins every game; the last pair is a draw and a win.
        GameRecord r = record(g, g % 2 ? "B" : "A", g % 2 ? "A" : "B",
                              g == games - 2 ? referee::Winner::None
                              : g % 2 == 0   ? referee::Winner::X
                                             : referee::Winner::O);
        r.settings = {{"sprt", test}};
        text += referee::formatRecord(r);
    }
    std::string records = dir + "/sprt.txt", page = dir + "/sprt.html";
    std::ofstream(records, std::ios::binary) << text;
    std::string err;
    ASSERT_EQ(runReferee({"report", records, "-o", page}, &err), 0) << err;

    HeadlessBrowser b;
    ASSERT_TRUE(b.start(chromium(), dir + "/profile")) << b.error;
    b.open("file://" + page);
    std::string sprt = b.eval("document.getElementById('sprt').textContent");
    EXPECT_NE(sprt.find("elo0 0, elo1 50, alpha 0.05, beta 0.05"), std::string::npos) << sprt;
    EXPECT_NE(
        sprt.find("[-2.94, 2.94]: H1 accepted after " + std::to_string(2 * crossing) + " games"),
        std::string::npos)
        << sprt;
    std::string pairs = b.eval("document.getElementById('pairs').textContent");
    EXPECT_NE(pairs.find("Pairs: " + std::to_string(crossing + 1) + ";"), std::string::npos);
    EXPECT_NE(pairs.find("3/2: 1, 2: " + std::to_string(crossing)), std::string::npos) << pairs;
    // One draw in all the games; LOS of all wins is 100 % to one decimal.
    std::string elo = b.eval("document.getElementById('elo').textContent");
    EXPECT_NE(elo.find("LOS 100.0%"), std::string::npos) << elo;
    char draws[32];
    snprintf(draws, sizeof draws, "%.1f", 100.0 / games);
    EXPECT_EQ(b.eval("document.querySelector('#table tbody tr').cells[7].textContent"), draws);
    // Score, Elo and the ratio with its two bounds, one point per game.
    EXPECT_EQ(b.eval("document.querySelectorAll('#plots svg').length"), 3);
    EXPECT_EQ(b.eval("document.querySelectorAll('#plots svg')[2].querySelectorAll('line.bound')"
                     ".length"),
              2);
    EXPECT_EQ(b.eval("document.querySelectorAll('#plots polyline.curve')[2].getAttribute("
                     "'points').trim().split(/\\s+/).length"),
              games);
    EXPECT_EQ(b.eval("document.getElementById('ratings').children.length"), 0);

    // Three players, each pairing split 1-1.
    text.clear();
    int g = 0;
    for (auto [x, o] : {std::pair{"A", "B"}, {"B", "C"}, {"C", "A"}}) {
        text += referee::formatRecord(record(g++, x, o, referee::Winner::X));
        text += referee::formatRecord(record(g++, o, x, referee::Winner::X));
    }
    records = dir + "/three.txt";
    page = dir + "/three.html";
    std::ofstream(records, std::ios::binary) << text;
    ASSERT_EQ(runReferee({"report", records, "-o", page}, &err), 0) << err;
    b.open("file://" + page);
    std::string list = b.eval("document.getElementById('rating-list').textContent");
    std::string cross = b.eval("document.getElementById('cross-table').textContent");
    for (const char* name : {"A", "B", "C"}) {
        EXPECT_NE(list.find(name), std::string::npos) << list;
        EXPECT_NE(cross.find(name), std::string::npos) << cross;
    }
    EXPECT_NE(cross.find("1/2"), std::string::npos) << cross;  // one game won of two
    EXPECT_EQ(b.eval("document.querySelectorAll('#plots svg').length"), 0);
    EXPECT_EQ(b.eval("document.getElementById('sprt').textContent"), "");
}

}  // namespace
