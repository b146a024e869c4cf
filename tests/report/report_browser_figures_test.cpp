// The report's first screen in a real browser, on a desktop and on a phone: the headline,
// the test's bar in each of its states, the pentanomial line, the plots' ticks, their
// markers for infinite and off-scale values and the value under the pointer, and a
// tournament's rating list and cross table, sortable, with a match page per pair.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "browser_checks.h"
#include "referee/stats/sprt.h"

using nlohmann::json;
using referee::GameRecord;
using referee::Winner;

namespace browsertest {
namespace {

const char* const kTest = "elo0=0 elo1=50 alpha=0.05 beta=0.05";

// Pairs of two wins (cls 4) or two losses (cls 0) after which the test above decides.
int crossingPairs(int cls = 4) {
    referee::SprtSettings s;
    s.elo1 = 50;
    for (int k = 1; k < 100; k++) {
        referee::Pentanomial p;
        p.n[cls] = k;
        if (std::abs(referee::sprtLlr(s, p)) >= std::log(0.95 / 0.05)) return k;
    }
    return 0;
}

// A match with the test: A wins `wins` games in a row (as X in even games), then draws one
// and wins the last.
std::vector<GameRecord> sprtMatch(int wins, bool aLoses = false) {
    std::vector<GameRecord> g;
    const int games = wins + 2;
    for (int n = 0; n < games; n++) {
        Winner w = n == games - 2 ? Winner::None : (n % 2 == 0) != aLoses ? Winner::X : Winner::O;
        g.push_back(handMade(n, n % 2 ? "B" : "A", n % 2 ? "A" : "B", w));
        g.back().settings = {{"sprt", kTest}};
    }
    return g;
}

std::string text(HeadlessBrowser& b, const std::string& id) {
    return b.eval("document.getElementById('" + id + "').textContent");
}

std::string percent(double share) {
    std::ostringstream out;
    out.setf(std::ios::fixed);
    out.precision(1);
    out << 100 * share << "%";
    return out.str();
}

// Ticks with numbers on both axes of every plot, in a size that reads at this width.
void expectTicks(HeadlessBrowser& b, int plots) {
    json axes = b.eval(
        "[...document.querySelectorAll('#plots svg')].map((svg) => ["
        " svg.querySelectorAll('.x-tick').length, svg.querySelectorAll('.y-tick').length,"
        " [...svg.querySelectorAll('.x-label')].map((t) => Number(t.textContent)),"
        " Math.min(...[...svg.querySelectorAll('.tick-label')].map((t) =>"
        "   t.getBoundingClientRect().height))])");
    ASSERT_EQ(axes.size(), static_cast<size_t>(plots));
    for (const json& a : axes) {
        EXPECT_GE(a[0].get<int>(), 2) << a;
        EXPECT_GE(a[1].get<int>(), 3) << a;
        EXPECT_EQ(a[2][0], 1) << a;
        for (size_t i = 1; i < a[2].size(); i++) EXPECT_GT(a[2][i], a[2][i - 1]) << a;
        EXPECT_GE(a[3].get<double>(), 11) << "tick labels too small: " << a;
    }
}

// Moves the pointer over point i of the score plot; the readout under it then.
std::string hover(HeadlessBrowser& b, const std::string& plot, int i) {
    json at = b.eval("(() => { const svg = document.querySelector('#" + plot +
                     " svg'); svg.scrollIntoView({block: 'center'});"
                     " const p = document.querySelector('#plot-score polyline').points.getItem(" +
                     std::to_string(i) +
                     "); const r = svg.getBoundingClientRect(), w = svg.viewBox.baseVal.width;"
                     " return [r.left + p.x * r.width / w, r.top + r.height / 2]; })()");
    b.call("Input.dispatchMouseEvent", {{"type", "mouseMoved"}, {"x", at[0]}, {"y", at[1]}});
    return b.eval("document.querySelector('#" + plot + " .readout').textContent");
}

void expectHeadline(HeadlessBrowser& b, int games) {
    std::ostringstream lead;
    lead << "A leads B, " << games - 0.5 << " to 0.5";
    EXPECT_EQ(text(b, "lead"), lead.str());
    // One draw in games - 1 decisive games, all won: 400 log10(p / (1 - p)).
    double p = (games - 0.5) / games;
    long elo = std::lround(400 * std::log10(p / (1 - p)));
    EXPECT_EQ(b.eval("document.querySelector('#h-elo .value').textContent"),
              "+" + std::to_string(elo));
    EXPECT_EQ(b.eval("document.querySelector('#h-los .value').textContent"), "100.0%");
    EXPECT_EQ(b.eval("document.querySelector('#h-draws .value').textContent"),
              percent(1.0 / games));
    EXPECT_NE(text(b, "h-nelo").find("\u00b1"), std::string::npos);
    // Pairs: all won but the last, a draw and a win.
    EXPECT_EQ(b.eval("[...document.querySelectorAll('#pairs .penta-cell')].map((c) => "
                     "c.textContent).join(' ')"),
              "0 0 \u00bd 0 1 0 1\u00bd 1 2 " + std::to_string(games / 2 - 1));
}

// The Elo of the first games (all won) is infinite: markers at the top edge, the line only
// through the two finite values. The ratio's bounds fill most of its plot; values beyond
// the scale are marked.
void expectPlotMarkers(HeadlessBrowser& b, int games) {
    EXPECT_EQ(b.eval("document.querySelectorAll('#plot-elo .marker.inf').length"), games - 2);
    EXPECT_EQ(b.eval("document.querySelector('#plot-elo .inf-label').textContent"), "+\u221e");
    EXPECT_EQ(b.eval("[...document.querySelectorAll('#plot-elo polyline')].map((p) => "
                     "p.points.numberOfItems)"),
              json::array({2}));
    json llr = b.eval(
        "(() => { const s = document.querySelector('#plot-llr svg');"
        " const ys = [...s.querySelectorAll('line.bound')].map((l) => "
        "Number(l.getAttribute('y1')));"
        " const axis = s.querySelector('line.axis');"
        " const d = JSON.parse(document.getElementById('match-data').textContent).results;"
        " return [Math.abs(ys[0] - ys[1]) / (axis.getAttribute('y2') - axis.getAttribute('y1')),"
        "  s.querySelectorAll('.marker.off').length,"
        "  d.course.filter((c) => c.llr > 1.25 * d.sprt.upper).length]; })()");
    EXPECT_GE(llr[0].get<double>(), 0.75) << llr;
    EXPECT_GT(llr[2].get<int>(), 0) << "no ratio beyond the scale to check";
    EXPECT_EQ(llr[1], llr[2]);
}

TEST_F(ReportBrowser, SprtMatchHeadlineBarAndPlots) {
    std::string dir = tempDir("sprt");
    const int k = crossingPairs();
    ASSERT_GT(k, 1);
    const int wins = 4 * k, games = wins + 2;
    std::string page = dir + "/sprt.html";
    writePage(page, sprtMatch(wins), false);
    HeadlessBrowser b;
    ASSERT_TRUE(b.start(chromium(), dir + "/profile")) << b.error;
    setViewport(b, 1400, 900);
    b.open("file://" + page);
    expectHeadline(b, games);
    EXPECT_EQ(b.eval("document.getElementById('sprt').className"), "sprt state-h1");
    EXPECT_EQ(b.eval("document.querySelector('.sprt-state').textContent"),
              "H1 accepted after " + std::to_string(2 * k) + " games");
    EXPECT_EQ(b.eval("document.querySelector('.sprt-mark').style.left"), "100%");
    EXPECT_EQ(text(b, "results-title"), "Results");
    expectTicks(b, 3);
    expectPlotMarkers(b, games);
    EXPECT_EQ(hover(b, "plot-score", games - 1),
              "game " + std::to_string(games - 1) + " (" + std::to_string(games) +
                  " games played): " + percent((games - 0.5) / games));
    EXPECT_NE(hover(b, "plot-elo", 0).find("Elo +\u221e ["), std::string::npos);
    setViewport(b, 390, 844);
    expectTicks(b, 3);
}

// The page rounds as the terminal's printf does: one draw in 16 games is 6.25 %, an exact
// tie, which reads 6.2 % in both (toFixed alone would give 6.3 %).
TEST_F(ReportBrowser, PercentagesRoundAsTheTerminalDoes) {
    std::string dir = tempDir("rounding");
    std::string page = dir + "/tie.html";
    writePage(page, sprtMatch(14), false);
    HeadlessBrowser b;
    ASSERT_TRUE(b.start(chromium(), dir + "/profile")) << b.error;
    b.open("file://" + page);
    ASSERT_EQ(percent(1.0 / 16), "6.2%");
    expectHeadline(b, 16);
}

// The bar's state and the ratio's place on it, from the ratio worked out here.
void expectBar(HeadlessBrowser& b, const std::string& page, const std::string& state,
               const std::string& words, double llr) {
    b.open("file://" + page);
    EXPECT_EQ(b.eval("document.getElementById('sprt').className"), "sprt state-" + state);
    EXPECT_EQ(b.eval("document.querySelector('.sprt-state').textContent"), words);
    const double bound = std::log(0.95 / 0.05);
    double at = std::min(1.0, std::max(0.0, (llr + bound) / (2 * bound)));
    std::string left = b.eval("document.querySelector('.sprt-mark').style.left");
    EXPECT_NEAR(std::stod(left), 100 * at, 0.01) << left;
}

TEST_F(ReportBrowser, SprtBarStates) {
    std::string dir = tempDir("states");
    HeadlessBrowser b;
    ASSERT_TRUE(b.start(chromium(), dir + "/profile")) << b.error;
    referee::SprtSettings s;
    s.elo1 = 50;
    referee::Pentanomial one;  // a pair of two wins
    one.n[4] = 1;
    // Four games: a pair won, then a draw and a win; undecided, while the run plays and after.
    std::vector<GameRecord> g = sprtMatch(2);
    referee::Pentanomial two = one;
    two.n[3] = 1;
    writePage(dir + "/running.html", g, true);
    expectBar(b, dir + "/running.html", "running", "running", referee::sprtLlr(s, two));
    writePage(dir + "/over.html", g, false);
    expectBar(b, dir + "/over.html", "none", "ended without a decision", referee::sprtLlr(s, two));
    const int k = crossingPairs(0);
    ASSERT_GT(k, 0);
    writePage(dir + "/h0.html", sprtMatch(2 * k, true), false);
    referee::Pentanomial lost;
    lost.n[0] = k;
    lost.n[1] = 1;
    expectBar(b, dir + "/h0.html", "h0", "H0 accepted after " + std::to_string(2 * k) + " games",
              referee::sprtLlr(s, lost));
    EXPECT_EQ(text(b, "lead"), "B leads A, " + std::to_string(2 * k + 1) + ".5 to 0.5");
}

// Four players, two games a pair: A takes 1.5 from B and from C, the other pairs split.
std::vector<GameRecord> fourPlayers() {
    std::vector<GameRecord> g;
    int n = 0;
    for (auto [x, o] :
         {std::pair{"A", "B"}, {"A", "C"}, {"A", "D"}, {"B", "C"}, {"B", "D"}, {"C", "D"}}) {
        const bool aWins = std::string(x) == "A" && std::string(o) != "D";
        g.push_back(handMade(n++, x, o, Winner::X));
        g.push_back(handMade(n++, o, x, aWins ? Winner::None : Winner::X));
    }
    return g;
}

// The rating list in the document's order, then sorted by name and by Elo.
void expectRatingList(HeadlessBrowser& b) {
    json doc = b.eval("JSON.parse(document.getElementById('match-data').textContent)");
    const json& r = doc["results"]["ratings"];
    json names = json::array();
    for (const json& i : r["order"]) names.push_back(doc["event"]["players"][i.get<int>()]["name"]);
    json rows = tableRows(b, "#rating-list");
    ASSERT_EQ(rows.size(), 4u);
    for (size_t i = 0; i < rows.size(); i++) {
        EXPECT_EQ(rows[i][1], names[i]);
        const json& p = r["players"][r["order"][i].get<int>()];
        EXPECT_EQ(rows[i][0], std::to_string(p["rank"].get<int>()));
        EXPECT_NE(rows[i][3].get<std::string>().find('['), std::string::npos) << rows[i];
    }
    EXPECT_EQ(names[0], "A");
    auto column = [&](int i) {
        return b.eval(
            "[...document.querySelectorAll('#rating-list tbody tr')].map((tr) => "
            "tr.cells[" +
            std::to_string(i) + "].textContent).join(' ')");
    };
    b.click("#rating-list th:nth-child(2) button");
    EXPECT_EQ(column(1), "A B C D");
    b.click("#rating-list th:nth-child(2) button");
    EXPECT_EQ(column(1), "D C B A");
    b.click("#rating-list th:nth-child(3) button");  // Elo, the strongest first
    EXPECT_EQ(column(1).get<std::string>().substr(0, 1), "A");
    b.click("#rating-list th:nth-child(3) button");
    EXPECT_EQ(column(1).get<std::string>().substr(6, 1), "A");
}

// A cell of the cross table opens the pair's games as a match; the link back returns.
void expectPairPage(HeadlessBrowser& b) {
    json row = tableRows(b, "#cross-table")[0];
    EXPECT_EQ(row[0], "A");
    b.click("#cross-table tbody tr:first-child a[href='#match=1-2']");
    EXPECT_TRUE(waitFor(b, "document.getElementById('results-title').textContent === 'A vs B'"));
    EXPECT_EQ(text(b, "lead"), "A leads B, 1.5 to 0.5");
    EXPECT_EQ(b.eval("document.querySelectorAll('#games tbody tr').length"), 2);
    EXPECT_EQ(b.eval("document.querySelectorAll('#plots svg').length"), 2);
    EXPECT_EQ(b.eval("location.hash.startsWith('#match=1-2&game=')"), true);
    EXPECT_EQ(b.eval("document.getElementById('crumbs').hidden"), false);
    b.click("#back");
    EXPECT_TRUE(waitFor(b, "document.getElementById('results-title').textContent === 'Ratings'"));
    EXPECT_EQ(b.eval("document.querySelectorAll('#games tbody tr').length"), 12);
    EXPECT_EQ(b.eval("document.querySelectorAll('#plots svg').length"), 0);
}

TEST_F(ReportBrowser, TournamentTablesSortAndOpenPairs) {
    std::string dir = tempDir("tournament");
    std::string page = dir + "/four.html";
    writePage(page, fourPlayers(), false);
    HeadlessBrowser b;
    ASSERT_TRUE(b.start(chromium(), dir + "/profile")) << b.error;
    setViewport(b, 1400, 900);
    b.open("file://" + page);
    EXPECT_EQ(b.eval("document.title"), "round-robin of 4 players");
    EXPECT_EQ(text(b, "results-title"), "Ratings");
    EXPECT_EQ(text(b, "lead"), "A tops the list of 4 players");
    EXPECT_EQ(b.eval("document.querySelectorAll('pre, #table').length"), 0);
    expectRatingList(b);
    // A's row of the cross table, by opponent: 1.5/2 against B and C, 1/2 against D.
    json heads = b.eval(
        "[...document.querySelectorAll('#cross-table th')].map((t) => "
        "t.textContent)");
    json a = tableRows(b, "#cross-table")[0];
    ASSERT_EQ(heads.size(), a.size());
    std::map<std::string, std::string> against;
    for (size_t i = 0; i < a.size(); i++) against[heads[i]] = a[i];
    EXPECT_EQ(against, (std::map<std::string, std::string>{{"Player", "A"},
                                                           {"A", "\u00d7"},
                                                           {"B", "1.5/2"},
                                                           {"C", "1.5/2"},
                                                           {"D", "1/2"},
                                                           {"Score", "4/6"}}));
    expectPairPage(b);
}

// The first screen holds the headline, the test and the result table at both sizes, and
// neither the page nor those tables scroll sideways.
void expectFirstScreen(HeadlessBrowser& b, int width, int height, const std::string& table) {
    setViewport(b, width, height);
    b.eval("window.scrollTo(0, 0)");
    expectNoSideways(b, width);
    json box =
        b.eval("(() => { const t = document.getElementById('" + table +
               "');"
               " const s = document.getElementById('sprt');"
               " return [t.getBoundingClientRect().bottom, t.scrollWidth,"
               "  t.parentElement.clientWidth, s.getBoundingClientRect().bottom,"
               "  document.getElementById('headline').getBoundingClientRect().bottom]; })()");
    EXPECT_LE(box[0].get<double>(), height) << table << " below the first screen at " << width;
    EXPECT_LE(box[1].get<double>(), box[2].get<double>()) << table << " scrolls at " << width;
    EXPECT_LE(box[3].get<double>(), height);
    EXPECT_LE(box[4].get<double>(), height);
}

TEST_F(ReportBrowser, FirstScreenFitsDesktopAndPhone) {
    std::string dir = tempDir("fits");
    writePage(dir + "/sprt.html", sprtMatch(8), false);
    writePage(dir + "/four.html", fourPlayers(), false);
    HeadlessBrowser b;
    ASSERT_TRUE(b.start(chromium(), dir + "/profile")) << b.error;
    for (auto [page, table] : {std::pair{"/sprt.html", "table"}, {"/four.html", "rating-list"}}) {
        b.open("file://" + dir + page);
        expectFirstScreen(b, 1400, 900, table);
        expectFirstScreen(b, 390, 844, table);
    }
    setViewport(b, 390, 844);
    json cross = b.eval(
        "(() => { const t = document.getElementById('cross-table');"
        " return [t.scrollWidth, t.parentElement.clientWidth]; })()");
    EXPECT_LE(cross[0].get<int>(), cross[1].get<int>());
}

// By hand, for the documentation: REPORT_PAGES="a.html b.html" REPORT_SCREENSHOTS=docs
// makes a.png, a-phone.png, ... of the first screen of each page.
TEST_F(ReportBrowser, DISABLED_Screenshots) {
    const char* pages = getenv("REPORT_PAGES");
    const char* out = getenv("REPORT_SCREENSHOTS");
    ASSERT_TRUE(pages && out) << "set REPORT_PAGES and REPORT_SCREENSHOTS";
    std::string dir = tempDir("shots");
    HeadlessBrowser b;
    ASSERT_TRUE(b.start(chromium(), dir + "/profile")) << b.error;
    std::istringstream list(pages);
    for (std::string page; list >> page;) {
        std::string stem = page.substr(page.rfind('/') + 1);
        stem = std::string(out) + "/" + stem.substr(0, stem.rfind('.'));
        for (auto [width, height, suffix] : {std::tuple{1400, 900, ""}, {390, 844, "-phone"}}) {
            setViewport(b, width, height);
            b.open("file://" + std::string(std::filesystem::absolute(page)));
            b.screenshot(stem + suffix + ".png", width, height);
        }
    }
}

}  // namespace
}  // namespace browsertest
