#include "bitrow/usage.h"

#include <cstdio>

#include "bitrow/types.h"
#include "common/version.h"

namespace bitrow::BITROW_NS {

namespace {

constexpr const char* programName = rowLimit == narrowRowLimit   ? "shover8"
                                    : rowLimit == middleRowLimit ? "shover16"
                                                                 : "shover20";

// The boards this build plays and those it hands on to a wider build.
void writeBoards(std::FILE* out) {
    std::fprintf(out, "  N = 1 to %d is played here", rowLimit);
    if (rowLimit < middleRowLimit)
        std::fprintf(out,
                     "; N = %d to %d is handed, with the rest of the\n"
                     "  input, to support/shover16 and N = %d to %d to support/shover20, both\n"
                     "  found relative to the working directory; a larger board is refused.\n",
                     rowLimit + 1, middleRowLimit, middleRowLimit + 1, widestRowLimit);
    else if (!isWidestBuild)
        std::fprintf(out,
                     "; N = %d to %d is handed, with the rest of the\n"
                     "  input, to support/shover20, found relative to the working directory;\n"
                     "  a larger board is refused.\n",
                     rowLimit + 1, widestRowLimit);
    else
        std::fputs("; a larger board is refused.\n", out);
}

void writeHelp(std::FILE* out) {
    std::fprintf(out,
                 "Usage: %s < RECORD\n"
                 "  or:  %s -h | --help | --version\n"
                 "Plays one turn of the push game with the bit-row engine (%d-bit rows): reads\n"
                 "the game so far on standard input and writes its move, such as L3, on\n"
                 "standard output.\n\n",
                 programName, programName, BITROW_WIDTH);
    std::fputs(
        "Input:\n"
        "  The board size N on the first line, then one move per line in the order\n"
        "  played, X first: a side letter L, R, T or B and a row (L, R: from the top)\n"
        "  or column (T, B: from the left) number from 1 to N, such as L3 or T12. The\n"
        "  record ends at the end of input or at the first line that is not a move of\n"
        "  this board.\n",
        out);
    writeBoards(out);
    std::fprintf(out,
                 "\nTime limit:\n"
                 "  %g seconds per turn, fixed; the clock starts once the size line has been\n"
                 "  read and any hand-over done. The answer is the best move of the last\n"
                 "  search iteration that completed.\n\n",
                 turnBudgetMicros / 1e6);
    std::fputs(
        "Options (only as the sole argument; other arguments are ignored):\n"
        "  -h, --help   print this help and exit\n"
        "  --version    print the program's name, version number and commit, and exit\n\n",
        out);
    std::fprintf(out,
                 "Exit status:\n"
                 "  0   the move was written\n"
                 "  1   no size line or N below 1, N too large, a record that repeats a\n"
                 "      position or holds more than %d moves: one line on standard error\n"
                 "      and no move\n"
                 "A turn handed to a wider build ends with that build's exit status, or with\n"
                 "128 + the signal number when it was killed.\n",
                 maxRecordMoves);
}

}  // namespace

int answerInfoRequest(int argc, char** argv) {
    return common::answerInfoRequest(argc, argv, programName, writeHelp);
}

}  // namespace bitrow::BITROW_NS
