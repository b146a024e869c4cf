// Diagnostic display of a byte-board record with all its line scores.
#pragma once

#include <cstdio>

#include "byteboard/board.h"

namespace byteboard::BYTEBOARD_NS {

// Writes rec to out (standard error by default): the board framed, each row with its
// scores "xscore:xfull/oscore:ofull", the column numbers, each column's scores and the
// totals with the straight counts. Piece counts are not shown.
void printboard(const posrec& rec, std::FILE* out = stderr);

}  // namespace byteboard::BYTEBOARD_NS
