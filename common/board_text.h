#pragma once
// The board as text, one drawing for every tool that shows a position.

#include <string>
#include <vector>

namespace common {

// The last move, marked by an arrow at the edge where its piece came in.
struct EdgeMark {
    char side = 0;  // 'L', 'R', 'T', 'B'; 0: no mark
    int line = 0;   // row (L, R) or column (T, B), from 1
};

// Draws an n x n board: column numbers above (tens on a line of their own from n = 10),
// row numbers on the left, a border, the cells as '.', 'X', 'O' (cell values 0, 1, 2, read
// row by row from the top left; missing or other values are drawn as '.' and '?'), and an
// arrow ('>', '<', 'v', '^') in the border where the marked move's piece came in.
std::string drawBoard(int n, const std::vector<int>& cells, EdgeMark last = {});

// The same drawing of a board read through cellAt(row, column), each from 0.
template <class CellAt>
std::string drawBoardOf(int n, CellAt cellAt, EdgeMark last = {}) {
    std::vector<int> cells(n > 0 ? static_cast<size_t>(n) * n : 0);
    for (int r = 0; r < n; r++)
        for (int c = 0; c < n; c++) cells[static_cast<size_t>(r) * n + c] = cellAt(r, c);
    return drawBoard(n, cells, last);
}

}  // namespace common
