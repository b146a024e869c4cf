// The byte-board player's turn: read the game so far, replay it, search under an alarm and
// answer with one move. main only strings these together.
#pragma once

#include <cstdint>
#include <cstdio>

#include "byteboard/search.h"

namespace byteboard::BYTEBOARD_NS {

// Reads one move with the semantics of scanf("%c%d\n"): any next character as the side, then
// optional white space, an optional sign and at least one digit, then all following white
// space. Returns false where that scanf call would not convert both items, and also when
// the number does not fit an int (scanf would be undefined there).
bool scanmove(std::FILE* in, char* side, int* number);

// scanmove, also refusing a number outside 1..N, which ends the reading like malformed input.
bool readmove(std::FILE* in, char* side, int* number);

// Replays every move readmove gives, X first, with domove; returns the player to move.
int32_t replay(std::FILE* in);

// The time limit in seconds for the program argument arg (null when there is none: 28).
// Decimal with leading white space and a sign allowed, stopping at the first non-digit; no
// digits give 0 (no alarm). A negative limit gives 1, a limit beyond alarm's range its maximum.
unsigned timelimit(const char* arg);

// Formats the answer "%c%d\n" for side letter dir and 0-based pos into buf (at least 16
// bytes) and returns its length. With no answer yet (dir 0) it is the first move of the
// generation order, T1.
int formatanswer(char dir, int32_t pos, char* buf);

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
