#include <cstdio>

#include "analyze_reference.h"
#include "bitrow/tool_handle.h"

namespace analyze_test {

namespace {

struct Collecting {
    const bitrow::ToolHandle* engine;
    std::uint64_t calls;
    std::vector<RefIteration>* out;
} collecting;

void collect(int depth, std::int32_t score, bitrow::MoveIndex move, bool) {
    const std::uint64_t now = *collecting.engine->searchCalls;
    collecting.out->push_back(
        {depth, score, now - collecting.calls, collecting.engine->moveName(move), false});
    collecting.calls = now;
}

}  // namespace

std::vector<RefIteration> bitrowIterations(int width, const std::string& record, int depth) {
    std::vector<RefIteration> out;
    const bitrow::ToolHandle* e = bitrow::handleForWidth(width);
    std::string text = record;
    std::FILE* in = fmemopen(text.data(), text.size(), "r");
    if (!e || !in) return out;
    e->reset();
    const int n = e->readSize(in);
    e->startGame(n);
    const bitrow::Replay replayed = e->replay(in);
    std::fclose(in);
    if (replayed != bitrow::Replay::Ok) return out;
    collecting = {e, *e->searchCalls, &out};
    *e->observer = collect;
    const int saved = *e->depthLimit;
    *e->depthLimit = depth;
    std::int32_t score;
    e->deepen(&score);
    *e->depthLimit = saved;
    *e->observer = nullptr;
    return out;
}

}  // namespace analyze_test
