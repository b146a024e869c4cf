#include "byteboard/tool_handle.h"

#include "byteboard/board.h"
#include "byteboard/deepen.h"
#include "byteboard/history.h"
#include "byteboard/notation.h"

namespace byteboard {

namespace {

using namespace BYTEBOARD_NS;

// The observer the engine calls; it forwards to the one the tool installed.
IterationObserver toolObserver = nullptr;

void forward(const iteration& it) {
    if (toolObserver) toolObserver({it.depth, it.value, it.nodes, it.dir, it.pos, it.forcedwin});
}

bool resetEngine() {
    if (!reset()) return false;
    deepening.observer = forward;
    return true;
}

std::int32_t replayMoves(const char* side, const int* number, int count) {
    std::int32_t player = 1;
    for (int i = 0; i < count; i++) {
        domove(side[i], number[i] - 1, player);
        player = 3 - player;
    }
    return player;
}

void search(std::int32_t player) {
    computemove(&deepening.bestdir, &deepening.bestpos, player);
}

int cellAt(int row, int col) {
    return history.hist[history.hno].cell[row * N + col];
}

}  // namespace

extern const ToolHandle BYTEBOARD_NS::handle = {
    .size = N,
    .lastDepth = lastdepth,
    .reset = resetEngine,
    .replay = replayMoves,
    .computemove = search,
    .observer = &toolObserver,
    .depthLimit = &deepening.maxdepth,
    .growfailed = &history.growfailed,
    .bestdir = &deepening.bestdir,
    .bestpos = &deepening.bestpos,
    .formatanswer = formatanswer,
    .cell = cellAt,
};

}  // namespace byteboard
