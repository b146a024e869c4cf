#include "browser_checks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "model/cell_model.h"
#include "referee/players/process.h"
#include "referee/results/results.h"
#include "referee/views/report_page.h"

using nlohmann::json;
using referee::GameRecord;

namespace browsertest {

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

int runReferee(const std::vector<std::string>& args, std::string* err, const std::string& cwd) {
    referee::RunRequest req;
    req.dir = cwd;
    req.argv = {REFEREE};
    req.argv.insert(req.argv.end(), args.begin(), args.end());
    req.deadline = 600;
    req.keep = 1 << 20;
    referee::RunResult run = referee::runProcess(req);
    if (err) *err = run.err;
    return run.end == referee::RunResult::End::Exited ? run.status : -1;
}

GameRecord handMade(int game, const std::string& x, const std::string& o, referee::Winner w) {
    GameRecord r;
    r.size = 6;
    r.game = game;
    r.x = x;
    r.o = o;
    r.moves = {*model::parseMove("L1", 6), *model::parseMove("L2", 6)};
    r.winner = w;
    r.loss = w == referee::Winner::None ? referee::Loss::None : referee::Loss::Straights;
    r.reason = "hand-made";
    r.complete = true;
    return r;
}

void writePage(const std::string& path, const std::vector<GameRecord>& games, bool live) {
    const referee::Results r = referee::computeResults(referee::eventOfRecords(games), games);
    const std::vector<std::string> files(games.size(), "live.txt");
    auto error = referee::writeReport(path, referee::eventTitle(r.event), r, {games, files}, live);
    ASSERT_FALSE(error.has_value()) << *error;
}

bool waitFor(HeadlessBrowser& b, const std::string& expression, double seconds) {
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        try {
            if (b.eval(expression) == true) return true;
        } catch (const std::exception&) {
            // The page is between two documents (a reload): ask again.
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void setViewport(HeadlessBrowser& b, int width, int height) {
    const bool phone = width < 600;
    b.call("Emulation.setDeviceMetricsOverride",
           {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", phone}});
    b.call("Emulation.setTouchEmulationEnabled", {{"enabled", phone}});
}

json tableRows(HeadlessBrowser& b, const std::string& selector) {
    return b.eval("[...document.querySelectorAll(" + json(selector + " tbody tr").dump() +
                  ")].map((tr) => [...tr.cells].map((c) => c.textContent))");
}

void expectNoSideways(HeadlessBrowser& b, int width) {
    EXPECT_LE(b.eval("document.documentElement.scrollWidth").get<int>(), width)
        << "overflowing: "
        << b.eval(
               "[...document.querySelectorAll('*')].filter((e) => e.scrollWidth > "
               "e.clientWidth + 1 && !e.closest('svg') && !e.classList.contains('scroll'))"
               ".map((e) => e.tagName + '#' + e.id + '.' + e.className).join(' ')");
}

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

namespace {

// Rows and columns of the board filled by one side.
std::set<std::tuple<char, int, char>> straightsOf(const model::Board& board, int n) {
    std::set<std::tuple<char, int, char>> out;
    for (int a = 0; a < n; a++) {
        model::Piece row = board.at(a, 0), col = board.at(0, a);
        for (int b = 1; b < n; b++) {
            if (board.at(a, b) != row) row = model::Piece::None;
            if (board.at(b, a) != col) col = model::Piece::None;
        }
        if (row != model::Piece::None) out.insert({'r', a + 1, model::pieceChar(row)});
        if (col != model::Piece::None) out.insert({'c', a + 1, model::pieceChar(col)});
    }
    return out;
}

}  // namespace

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
    s.straights = straightsOf(board, n);
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

void ReportBrowser::SetUp() {
    if (chromium().empty())
        GTEST_SKIP() << "chromium not found (" << CHROMIUM
                     << "); install it with tools/install-deps.sh to run the browser tests";
}

std::string ReportBrowser::tempDir(const std::string& name) {
    dir_ = testing::TempDir() + "report_browser_" + name + "_" + std::to_string(getpid());
    removeDir();
    mkdir(dir_.c_str(), 0755);
    return dir_;
}

void ReportBrowser::TearDown() {
    if (!HasFailure()) removeDir();
}

void ReportBrowser::removeDir() {
    if (dir_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

}  // namespace browsertest
