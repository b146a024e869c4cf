#include "bitrow/tool_handle.h"

#include "bitrow/board.h"
#include "bitrow/deepen.h"
#include "bitrow/history.h"
#include "bitrow/notation.h"
#include "bitrow/search.h"
#include "bitrow/turn.h"

namespace bitrow {

namespace {

using namespace BITROW_NS;

int currentSize() {
    return sizes.boardSize;
}
int currentCount() {
    return history.histCount;
}
std::uint32_t topKey() {
    return histStack[history.histCount - 1].key;
}
int cellAt(int row, int col) {
    const std::uint32_t bit = 1u << (sizes.boardSize - 1 - col);
    if (board.x[row] & bit) return 1;
    if (board.o[row] & bit) return 2;
    return 0;
}

}  // namespace

#define BITROW_HANDLE_NAME_(w) handle##w
#define BITROW_HANDLE_NAME(w) BITROW_HANDLE_NAME_(w)

extern const ToolHandle BITROW_HANDLE_NAME(BITROW_WIDTH) = {
    .width = BITROW_WIDTH,
    .rowLimit = rowLimit,
    .lastDepth = lastDepth,
    .turnBudgetMicros = turnBudgetMicros,
    .reset = resetEngine,
    .readSize = readSize,
    .setSize = setSize,
    .readMove = readMove,
    .startGame = startGame,
    .replay = replayGame,
    .armTimer = armTimer,
    .deepen = deepen,
    .moveName = moveName,
    .observer = &deepening.iterationObserver,
    .depthLimit = &deepening.depthLimit,
    .searchCalls = &searchState.searchCalls,
    .timeUp = &searchState.timeUp,
    .boardSize = currentSize,
    .histCount = currentCount,
    .cell = cellAt,
    .topKey = topKey,
};

}  // namespace bitrow
