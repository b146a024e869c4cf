// A width-neutral handle on one build of the bit-row engine, so that a tool can drive any
// of the three widths in one process. Every entry is the engine's own function or state.
#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>

namespace bitrow {

// Called after every iteration of the deepening that scored a move.
using IterationObserver = void (*)(int depth, std::int32_t score, int move, bool complete);

struct Engine {
    int width;     // bits per row mask: 8, 16 or 32
    int rowLimit;  // largest N this build plays

    void (*reset)();              // every table as at process start
    int (*readSize)(std::FILE*);  // the size line of a game record
    void (*setSize)(int n);       // N for readMove and moveName, without starting a game
    int (*readMove)(std::FILE*);  // one move line: a MoveIndex, or -1 at the record's end
    void (*startGame)(int n);     // tables for N, evaluator, start position
    int (*replay)(std::FILE*);    // 0 played, 1 repeats a position, 2 too long
    void (*armTimer)(long micros);
    int (*deepen)(std::int32_t* score);
    const char* (*moveName)(int index);

    IterationObserver* observer;  // the deepening's observer (null in the players)
    int* depthLimit;              // the deepening stops after this depth
    std::uint64_t* searchCalls;   // calls of search so far
    volatile std::sig_atomic_t* timeUp;

    int (*boardSize)();
    int (*histCount)();             // positions recorded, start included: odd = X to move
    int (*cell)(int row, int col);  // 0 empty, 1 X, 2 O; 0-based from the top left
    std::uint32_t (*topKey)();      // key of the newest recorded position
};

extern const Engine engine8, engine16, engine32;

// The narrowest build that plays N itself, or null when N is outside 1..20.
const Engine* narrowestEngineFor(int n);
// The build with this row width (8, 16 or 32), or null.
const Engine* engineWithWidth(int width);

}  // namespace bitrow
