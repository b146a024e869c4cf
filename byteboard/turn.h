// The byte-board player's turn: replay the game so far, search under an alarm and answer
// with one move. main only strings these together.
#pragma once

#include <cstdint>
#include <cstdio>

#include "byteboard/types.h"

namespace byteboard::BYTEBOARD_NS {

// Replays every move readmove gives, X first, with domove; returns the player to move.
int32_t replay(std::FILE* in);

// Writes bestdir and bestpos as the answer to standard output and ends the process: exit
// status 0, or 1 when the answer could not be written. The alarm is blocked first, so only
// one answer is ever written. Async-signal-safe.
[[noreturn]] void answer();

// SIGALRM handler: answers the best move of the last completed iteration and ends the process.
void timeout(int);

// Searches the current record for player under an alarm of limit seconds (0: none), then
// answers. Failing to grow hist during the search also answers the best move so far.
[[noreturn]] void turn(unsigned limit, int32_t player);

}  // namespace byteboard::BYTEBOARD_NS
