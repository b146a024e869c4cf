// Compiled once per board size.
#include "analyze_reference.h"
#include "byteboard/deepen.h"
#include "byteboard/notation.h"
#include "byteboard/turn.h"

#define REF_NAME_(n) pusherIterations##n
#define REF_NAME(n) REF_NAME_(n)

namespace analyze_test {

namespace {

std::vector<RefIteration>* collected = nullptr;

void collect(const byteboard::BYTEBOARD_NS::iteration& it) {
    char buf[byteboard::answerbytes];
    const int len = byteboard::BYTEBOARD_NS::formatanswer(it.dir, it.pos, buf);
    collected->push_back({it.depth, it.value, static_cast<std::uint64_t>(it.nodes),
                          std::string(buf, static_cast<size_t>(len - 1)), it.forcedwin});
}

}  // namespace

std::vector<RefIteration> REF_NAME(BYTEBOARD_N)(const std::string& moves, int depth) {
    using namespace byteboard::BYTEBOARD_NS;
    std::vector<RefIteration> out;
    std::string text = moves;
    std::FILE* in = fmemopen(text.data(), text.size() + (text.empty() ? 1 : 0), "r");
    if (!in || !reset()) return out;
    const int32_t player = replay(in);
    std::fclose(in);
    collected = &out;
    deepening.observer = collect;
    const int32_t saved = deepening.maxdepth;
    deepening.maxdepth = depth;
    computemove(&deepening.bestdir, &deepening.bestpos, player);
    deepening.maxdepth = saved;
    deepening.observer = nullptr;
    return out;
}

}  // namespace analyze_test
