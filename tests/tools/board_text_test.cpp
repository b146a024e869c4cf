// The tools' board drawing, read back cell by cell and mark by mark against the model.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "common/board_text.h"
#include "model/cell_model.h"

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

TEST(BoardText, CellsNumbersAndTheLastMovesEdgeReadBack) {
    std::mt19937 rng(4);
    for (int n = 1; n <= 20; n++) {
        model::Board board(n);
        const std::vector<model::Move> moves = model::allMoves(n);
        for (int i = 0; i < 3 * n; i++)
            board.push(moves[rng() % moves.size()], i % 2 ? model::Piece::O : model::Piece::X);
        std::vector<int> cells;
        for (int r = 0; r < n; r++)
            for (int c = 0; c < n; c++) cells.push_back(static_cast<int>(board.at(r, c)));
        const model::Move last = moves[rng() % moves.size()];
        const std::vector<std::string> ls =
            linesOf(common::drawBoard(n, cells, {last.side, last.line}));
        const size_t top = n >= 10 ? 2 : 1;  // number lines above the border
        ASSERT_EQ(ls.size(), top + n + 2) << n;
        // Column c's number sits above its cell, which is at 6 + 2 (c - 1).
        for (int c = 1; c <= n; c++) {
            const size_t x = 6 + 2 * (c - 1);
            ASSERT_LT(x, ls[top - 1].size());
            EXPECT_EQ(ls[top - 1][x], '0' + c % 10);
            if (n >= 10) {
                EXPECT_EQ(ls[0].size() > x ? ls[0][x] : ' ', c >= 10 ? '0' + c / 10 : ' ');
            }
        }
        for (int r = 0; r < n; r++) {
            const std::string& row = ls[top + 1 + r];
            ASSERT_EQ(row.size(), 7u + 2 * n) << row;
            EXPECT_EQ(std::stoi(row.substr(0, 3)), r + 1);
            for (int c = 0; c < n; c++)
                EXPECT_EQ(row[6 + 2 * c], model::pieceChar(board.at(r, c))) << n << " " << row;
            EXPECT_EQ(row[4], last.side == 'L' && last.line == r + 1 ? '>' : '|');
            EXPECT_EQ(row.back(), last.side == 'R' && last.line == r + 1 ? '<' : '|');
        }
        for (int c = 1; c <= n; c++) {
            const size_t x = 6 + 2 * (c - 1);
            EXPECT_EQ(ls[top][x], last.side == 'T' && last.line == c ? 'v' : '-');
            EXPECT_EQ(ls.back()[x], last.side == 'B' && last.line == c ? '^' : '-');
        }
    }
}

TEST(BoardText, ShortOrStrangeCellListsDrawSafely) {
    // Missing cells are empty, unknown values are '?', no size draws nothing.
    EXPECT_EQ(common::drawBoard(2, {1, 7}),
              "      1 2\n"
              "    +-----+\n"
              "  1 | X ? |\n"
              "  2 | . . |\n"
              "    +-----+\n");
    EXPECT_EQ(common::drawBoard(0, {}), "");
    EXPECT_EQ(common::drawBoard(-3, {1}), "");
    // A mark outside the board marks nothing.
    EXPECT_EQ(common::drawBoard(2, {}, {'L', 3}), common::drawBoard(2, {}));
}

}  // namespace
