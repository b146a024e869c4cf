// Moves, the time limit and boards of the byte-board engine as text: a move is a side letter
// and a 1-based position ("L3", "T6"); a record is drawn with all its line scores for
// diagnosis.
#pragma once

#include <cstdint>
#include <cstdio>

#include "byteboard/board.h"

namespace byteboard::BYTEBOARD_NS {

// Reads one move with the semantics of scanf("%c%d\n"): any next character as the side, then
// optional white space, an optional sign and at least one digit, then all following white
// space. Returns false where that scanf call would not convert both items, and also when
// the number does not fit an int (scanf would be undefined there).
bool scanmove(std::FILE* in, char* side, int* number);

// scanmove, also refusing a number outside 1..N, which ends the reading like malformed input.
bool readmove(std::FILE* in, char* side, int* number);

// The time limit in seconds for the program argument arg, as text (null when there is none:
// budgetseconds). Decimal with leading white space and a sign allowed, stopping at the
// first non-digit; no digits give 0 (no alarm). A negative limit gives 1, a limit beyond
// alarm's range its maximum.
unsigned timelimit(const char* arg);

// Formats the answer "%c%d\n" for side letter dir and 0-based pos into buf (answerbytes
// bytes) and returns its length. With no answer yet (dir 0) it is the first move of the
// move ring, T1. Async-signal-safe.
int formatanswer(char dir, int32_t pos, char* buf);

// Writes rec to out (standard error by default): the board framed, each row with its
// scores "xscore:xfull/oscore:ofull", the column numbers, each column's scores and the
// totals with the straight counts. Piece counts are not shown.
void printboard(const posrec& rec, std::FILE* out = stderr);

}  // namespace byteboard::BYTEBOARD_NS
