// The handle through which a tool drives one build of the byte-board engine: a
// size-neutral table of the engine's own functions and state, so that one tool can drive
// both sizes in one process. The engine's limits (types.h) are the same for both sizes.
#pragma once

#include <cstdint>

#include "byteboard/types.h"

namespace byteboard {

// What computemove reports after an iteration (the engine's own struct, seen through the
// handle): depth, best root value, nodes valued, the chosen move, and whether a forced win
// ended the iteration early.
struct IterationReport {
    std::int32_t depth;
    Score value;
    std::int64_t nodes;
    char dir;
    std::int32_t pos;  // 0-based
    bool forcedwin;
};
using IterationObserver = void (*)(const IterationReport& it);

// Its fields are named as the bit-row engine's handle names the same things (reset,
// replay, observer, depthLimit, lastDepth, cell), so that a tool reads both alike.
struct ToolHandle {
    int size;       // N, fixed by the build
    int lastDepth;  // the deepening's last depth

    // The empty board as the current record, no answer, no nodes counted, the last depth
    // lastdepth; installs the forwarding to *observer. False when hist cannot be allocated.
    bool (*reset)();
    // Plays the moves side[i] (T, B, L, R) at 1-based number[i], X first, with domove;
    // returns the player to move (1 X, 2 O).
    std::int32_t (*replay)(const char* side, const int* number, int count);
    void (*computemove)(std::int32_t player);  // writes bestdir / bestpos
    IterationObserver* observer;               // called after every iteration (null by default)
    std::int32_t* depthLimit;                  // the deepening stops after this depth
    void (**growfailed)();                     // called when hist cannot grow; must not return
    const char* bestdir;                       // 0 until the first iteration completed
    const std::int32_t* bestpos;
    // Formats "%c%d\n" for dir and 0-based pos into buf (answerbytes); dir 0 gives the first
    // move of the move ring. Async-signal-safe.
    int (*formatanswer)(char dir, std::int32_t pos, char* buf);
    int (*cell)(int row, int col);  // current record: 0 empty, 1 X, 2 O; 0-based
};

// The two builds: byteboard::n6::handle and byteboard::n7::handle.
namespace n6 {
extern const ToolHandle handle;
}
namespace n7 {
extern const ToolHandle handle;
}

// The build for N, or null when N is neither 6 nor 7.
const ToolHandle* handleFor(int n);

}  // namespace byteboard
