// Iterations as the players' own code computes them, driven without the analyser: the
// bit-row engine through its player functions, the byte-board engine through the pusher's
// reader and search. The analyser's reports are checked against these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace analyze_test {

struct RefIteration {
    int depth;
    std::int64_t score;
    std::uint64_t nodes;
    std::string move;
    bool forcedWin;
};

// A bit-row record (size line and moves) searched by the build of this width to depth.
std::vector<RefIteration> bitrowIterations(int width, const std::string& record, int depth);
// The moves only (the pusher's input), searched by pusher6 / pusher7's engine to depth.
std::vector<RefIteration> pusherIterations6(const std::string& moves, int depth);
std::vector<RefIteration> pusherIterations7(const std::string& moves, int depth);

}  // namespace analyze_test
