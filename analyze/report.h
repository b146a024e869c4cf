// The analyser's output: iteration lines, the answer line and the board.
#pragma once

#include <cstdio>
#include <string>

#include "analyze/searcher.h"

namespace analyze {

// Nodes per second for nodes counted in micros microseconds (0 micros counts as 1).
std::uint64_t nodesPerSecond(std::uint64_t nodes, std::int64_t micros);

// "info depth <d> score <s> nodes <k> time <ms> nps <n> move <name>", then " win" for an
// iteration a forced win ended, " partial" for one the time cut short; no line end.
std::string infoLine(const Iteration& it);

// The position in the tools' common drawing (the last move, when given, marked at its
// edge), then the side to move and the straights of each side.
std::string boardText(const Searcher& s, const Move* last = nullptr);

// Writes every iteration as an info line and flushes it at once.
class InfoPrinter : public IterationSink {
  public:
    explicit InfoPrinter(std::FILE* out) : out(out) {}
    void iteration(const Iteration& it) override;

  private:
    std::FILE* out;
};

}  // namespace analyze
