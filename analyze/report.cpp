#include "analyze/report.h"

#include "common/board_text.h"

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

std::string boardText(const Searcher& s, const Move* last) {
    common::EdgeMark mark;
    if (last) mark = {last->side, last->number};
    return common::drawBoardOf(
               s.size(), [&](int r, int c) { return s.cell(r, c); }, mark) +
           (s.toMove() == 1 ? "X" : "O") + " to move; straights X " +
           std::to_string(s.straights(1)) + ", O " + std::to_string(s.straights(2)) + "\n";
}

void InfoPrinter::iteration(const Iteration& it) {
    std::fputs((infoLine(it) + "\n").c_str(), out);
    std::fflush(out);
}

}  // namespace analyze
