// What the browser tests of the report page share: the fixture, hand-made records and pages,
// the board as the page drew it against the cell model, and checks of the page's layout.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "headless_browser.h"
#include "referee/records/record.h"

namespace browsertest {

std::string readFile(const std::string& path);
// Chromium's path, or "" when it is not installed.
std::string chromium();
// Runs the referee with args (in the folder cwd, if given); its exit status (-1 when it did
// not exit), stderr in *err.
int runReferee(const std::vector<std::string>& args, std::string* err = nullptr,
               const std::string& cwd = "");

// A finished game of two plies (L1, L2) on a 6 x 6 board.
referee::GameRecord handMade(int game, const std::string& x, const std::string& o,
                             referee::Winner w);
// The records as the referee's page, the run still playing when `live`.
void writePage(const std::string& path, const std::vector<referee::GameRecord>& games, bool live);

// Evaluates the expression until it is true (a reload in between is waited out); false
// after `seconds`.
bool waitFor(HeadlessBrowser& b, const std::string& expression, double seconds = 10);
// A desktop window, or a phone's (touch, mobile layout) when width is below 600.
void setViewport(HeadlessBrowser& b, int width, int height);
// The cells' texts of every row of the table body under `selector`.
nlohmann::json tableRows(HeadlessBrowser& b, const std::string& selector);
// The page does not scroll sideways at its viewport's width; names what overflows.
void expectNoSideways(HeadlessBrowser& b, int width);
// No script errors and nothing fetched from anywhere but the file itself.
void expectSelfContained(HeadlessBrowser& b, const std::string& url);

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
Shown readBoard(HeadlessBrowser& b);
// The same, worked out on the cell model.
Shown expected(const referee::GameRecord& r, int ply);
void expectBoard(HeadlessBrowser& b, const referee::GameRecord& r, int ply, const std::string& how);

class ReportBrowser : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // A fresh folder for the records, pages and browser profile; kept when the test fails.
    std::string tempDir(const std::string& name);

  private:
    void removeDir();
    std::string dir_;
};

}  // namespace browsertest
