#include "byteboard/api.h"

#include "byteboard/driver.h"
#include "byteboard/search.h"

namespace byteboard {

namespace {

using namespace BYTEBOARD_NS;

// The observer the engine calls; it forwards to the one the tool installed.
IterationObserver toolObserver = nullptr;

void forward(const iteration& it) {
    if (toolObserver) toolObserver({it.depth, it.value, it.nodes, it.dir, it.pos, it.forcedwin});
}

bool resetEngine() {
    observer = forward;
    return reset();
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
    computemove(&bestdir, &bestpos, player);
}

int cellAt(int row, int col) {
    return hist[hno].cell[row * N + col];
}

int straightsOf(int player) {
    return player == 1 ? hist[hno].xstraights : hist[hno].ostraights;
}

}  // namespace

#define BYTEBOARD_ENGINE_NAME_(n) engine##n
#define BYTEBOARD_ENGINE_NAME(n) BYTEBOARD_ENGINE_NAME_(n)

extern const Engine BYTEBOARD_ENGINE_NAME(BYTEBOARD_N) = {
    .size = N,
    .reset = resetEngine,
    .replay = replayMoves,
    .computemove = search,
    .observer = &toolObserver,
    .maxdepth = &maxdepth,
    .growfailed = &growfailed,
    .bestdir = &bestdir,
    .bestpos = &bestpos,
    .formatanswer = formatanswer,
    .cell = cellAt,
    .straights = straightsOf,
};

}  // namespace byteboard
