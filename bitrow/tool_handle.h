// The tools' handle on one build of the bit-row engine: width-neutral, so that a tool can
// drive any of the three widths in one process. Every entry is the engine's own function,
// state or limit; the players do not use it.
#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>

#include "bitrow/types.h"

namespace bitrow {

struct ToolHandle {
    int width;              // bits per row mask: 8, 16 or 32
    int rowLimit;           // largest N this build plays
    int lastDepth;          // the deepening's last depth
    long turnBudgetMicros;  // the players' budget for one turn

    void (*reset)();                    // every table and setting as at process start
    int (*readSize)(std::FILE*);        // the size line of a game record
    void (*setSize)(int n);             // N for readMove and moveName, without starting a game
    MoveIndex (*readMove)(std::FILE*);  // one move line: a MoveIndex, or noMove at the end
    void (*startGame)(int n);           // tables for N, start position
    Replay (*replay)(std::FILE*);       // the record's moves, as the player replays them
    void (*armTimer)(long micros);
    MoveIndex (*deepen)(Score* score);
    const char* (*moveName)(MoveIndex index);

    IterationObserver* observer;  // the deepening's observer (null in the players)
    int* depthLimit;              // the deepening stops after this depth
    std::uint64_t* searchCalls;   // calls of search so far
    volatile std::sig_atomic_t* timeUp;

    int (*boardSize)();
    int (*histCount)();             // positions recorded, start included: odd = X to move
    int (*cell)(int row, int col);  // 0 empty, 1 X, 2 O; 0-based from the top left
    std::uint32_t (*topKey)();      // key of the newest recorded position
};

extern const ToolHandle handle8, handle16, handle32;

// The build that plays N, the narrowest when several do (as the byte-board engine's
// handleFor gives the build for N), or null when N is outside 1..20.
const ToolHandle* handleFor(int n);
// The build with this row width (8, 16 or 32), or null.
const ToolHandle* handleForWidth(int width);

}  // namespace bitrow
