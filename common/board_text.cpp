#include "common/board_text.h"

namespace common {

std::string drawBoard(int n, const std::vector<int>& cells, EdgeMark last) {
    if (n < 1) return "";
    auto mark = [&](char side, int k) { return last.side == side && last.line == k; };
    auto glyph = [&](int r, int c) {
        const size_t i = static_cast<size_t>(r) * n + c;
        if (i >= cells.size()) return '.';
        const int v = cells[i];
        return v == 0 ? '.' : v == 1 ? 'X' : v == 2 ? 'O' : '?';
    };
    // Cells sit at columns 1, 3, 5, ... of the part between the borders.
    std::string text;
    auto numbers = [&](bool tens) {
        std::string line(5 + 2 * n + 1, ' ');
        for (int c = 1; c <= n; c++)
            if (!tens || c >= 10)
                line[5 + 2 * (c - 1) + 1] = static_cast<char>('0' + (tens ? c / 10 % 10 : c % 10));
        while (!line.empty() && line.back() == ' ') line.pop_back();
        text += line + "\n";
    };
    auto border = [&](char side, char arrow) {
        std::string line = "    +" + std::string(2 * n + 1, '-') + "+";
        for (int c = 1; c <= n; c++)
            if (mark(side, c)) line[5 + 2 * (c - 1) + 1] = arrow;
        text += line + "\n";
    };
    if (n >= 10) numbers(true);
    numbers(false);
    border('T', 'v');
    for (int r = 1; r <= n; r++) {
        std::string line = std::to_string(r) + " ";
        if (line.size() < 4) line.insert(0, 4 - line.size(), ' ');
        line += mark('L', r) ? '>' : '|';
        for (int c = 0; c < n; c++) {
            line += ' ';
            line += glyph(r - 1, c);
        }
        line += ' ';
        line += mark('R', r) ? '<' : '|';
        text += line + "\n";
    }
    border('B', '^');
    return text;
}

}  // namespace common
