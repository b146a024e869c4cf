// The pieces of one turn that the players' driver and the tools share: the size line,
// the start of a game, the replay of the record, the turn's timer.
#pragma once

#include <cstdio>

#include "bitrow/types.h"

namespace bitrow::BITROW_NS {

// Reads the first line and converts it like strtol in base 10 (leading blanks and a sign
// accepted, parsing stops at the first non-digit), clamped to the range of int. Returns 0
// when there is no line or no digits.
int readSize(std::FILE* in);

// Prepares the tables for N (1..rowLimit) and records the empty start position.
void startGame(int n);

// Replays the move lines with forced pushes, recording every position, until end of
// input or the first line that is not a move. Refuses a record that repeats a position or
// holds more moves than the history leaves room for with a full-depth search.
Replay replayGame(std::FILE* in);

// SIGALRM handler: raises timeUp and nothing else.
void onAlarm(int);

// Clears timeUp, installs onAlarm and starts the one-shot timer.
void armTimer(long micros);

// Returns every table to its state at process start, the tools' settings of the deepening
// included, so that a tool can search several positions in one process as if each were a
// fresh turn. bitCount alone keeps its filled entries, which every N reads alike.
void resetEngine();

}  // namespace bitrow::BITROW_NS
