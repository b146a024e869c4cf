// A size-neutral handle on one build of the byte-board engine, so that a tool can drive
// both sizes in one process. Every entry is the engine's own function or state.
#pragma once

#include <cstdint>

namespace byteboard {

// What computemove reports after an iteration (the engine's own struct, seen through the
// handle): depth, best root value, nodes valued, the chosen move, and whether a forced win
// ended the iteration early.
struct IterationReport {
    std::int32_t depth;
    std::int32_t value;
    std::int64_t nodes;
    char dir;
    std::int32_t pos;  // 0-based
    bool forcedwin;
};
using IterationObserver = void (*)(const IterationReport& it);

struct Engine {
    int size;  // N, fixed by the build

    // The empty board as the current record, no answer, no nodes counted; installs the
    // forwarding to *observer. False when hist cannot be allocated.
    bool (*reset)();
    // Plays the moves side[i] (T, B, L, R) at 1-based number[i], X first, with domove;
    // returns the player to move (1 X, 2 O).
    std::int32_t (*replay)(const char* side, const int* number, int count);
    void (*computemove)(std::int32_t player);  // writes bestdir / bestpos
    IterationObserver* observer;               // called after every iteration (null by default)
    std::int32_t* maxdepth;                    // depth of the last iteration
    void (**growfailed)();                     // called when hist cannot grow; must not return
    const char* bestdir;                       // 0 until the first iteration completed
    const std::int32_t* bestpos;
    // Formats "%c%d\n" for dir and 0-based pos into buf (16 bytes); dir 0 gives the first
    // move of the generation order. Async-signal-safe.
    int (*formatanswer)(char dir, std::int32_t pos, char* buf);
    int (*cell)(int row, int col);  // current record: 0 empty, 1 X, 2 O; 0-based
    int (*straights)(int player);   // current record's lines filled by player (1 X, 2 O)
};

extern const Engine engine6, engine7;

// The build for N, or null when N is neither 6 nor 7.
const Engine* engineFor(int n);

}  // namespace byteboard
