#include "analyze/report.h"

namespace analyze {

std::uint64_t nodesPerSecond(std::uint64_t nodes, std::int64_t micros) {
    const auto us = static_cast<unsigned __int128>(micros > 0 ? micros : 1);
    return static_cast<std::uint64_t>(static_cast<unsigned __int128>(nodes) * 1000000u / us);
}

std::string infoLine(const Iteration& it) {
    std::string line = "info depth " + std::to_string(it.depth) + " score " +
                       std::to_string(it.score) + " nodes " + std::to_string(it.nodes) + " time " +
                       std::to_string(it.micros / 1000) + " nps " +
                       std::to_string(nodesPerSecond(it.nodes, it.micros)) + " move " + it.move;
    if (it.end == Iteration::End::ForcedWin) line += " win";
    if (it.end == Iteration::End::TimeUp) line += " partial";
    return line;
}

namespace {

std::string columnNumbers(int n) {
    std::string line = "   ";
    for (int c = 1; c <= n; c++) {
        std::string num = std::to_string(c);
        line += std::string(3 - num.size(), ' ') + num;
    }
    return line + "\n";
}

std::string padded(int value) {
    std::string num = std::to_string(value);
    return std::string(num.size() < 3 ? 3 - num.size() : 0, ' ') + num;
}

}  // namespace

std::string boardText(const Searcher& s) {
    const int n = s.size();
    static const char glyph[] = ".XO";
    std::string text = columnNumbers(n);
    for (int r = 0; r < n; r++) {
        text += padded(r + 1);
        for (int c = 0; c < n; c++) {
            const int v = s.cell(r, c);
            text += "  ";
            text += glyph[v >= 0 && v <= 2 ? v : 0];
        }
        text += " " + std::to_string(r + 1) + "\n";
    }
    text += columnNumbers(n);
    text += std::string(s.toMove() == 1 ? "X" : "O") + " to move; straights X " +
            std::to_string(s.straights(1)) + ", O " + std::to_string(s.straights(2)) + "\n";
    return text;
}

void InfoPrinter::iteration(const Iteration& it) {
    std::fputs((infoLine(it) + "\n").c_str(), out);
    std::fflush(out);
}

}  // namespace analyze
