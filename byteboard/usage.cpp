#include "byteboard/usage.h"

#include <cstdio>

#include "byteboard/types.h"
#include "common/version.h"

namespace byteboard::BYTEBOARD_NS {

namespace {

constexpr const char* programName = N == 6 ? "pusher6" : "pusher7";

void writeHelp(std::FILE* out) {
    std::fprintf(out,
                 "Usage: %s [SECONDS] < MOVES\n"
                 "  or:  %s -h | --help | --version\n"
                 "Plays one turn of the push game on a %d x %d board with the byte-board\n"
                 "engine: reads the moves played so far on standard input and writes its\n"
                 "move, such as L3, on standard output.\n\n",
                 programName, programName, N, N);
    std::fprintf(out,
                 "Input:\n"
                 "  The moves played so far, oldest first, X first, with no board-size line:\n"
                 "  a side letter T, B, L or R and a position from 1 to %d (rows from the top,\n"
                 "  columns from the left), the moves separated by any white space. Reading\n"
                 "  stops silently at the end of input, where a letter and a number cannot\n"
                 "  both be read, or at a position outside 1 to %d; the moves before stand.\n\n",
                 N, N);
    std::fprintf(out,
                 "Time limit:\n"
                 "  SECONDS, the first argument: a decimal integer (leading blanks and a sign\n"
                 "  allowed, read up to the first non-digit); %u without an argument. 0, or an\n"
                 "  argument without digits, arms no alarm: the search runs until it finds a\n"
                 "  forced win or completes depth %d. A negative limit counts as 1 second.\n"
                 "  When the time runs out the answer is the best move of the last completed\n"
                 "  search iteration.\n\n",
                 budgetseconds, static_cast<int>(lastdepth));
    std::fputs(
        "Options (only as the sole argument; with more arguments they are time limits):\n"
        "  -h, --help   print this help and exit\n"
        "  --version    print the program's name, version number and commit, and exit\n\n"
        "Exit status:\n"
        "  0   the move was written\n"
        "  1   a side letter other than T, B, L, R in the input (huh 'Q' on standard\n"
        "      error), no memory for the position stack, or the answer could not be\n"
        "      written; no move\n",
        out);
}

}  // namespace

int answerInfoRequest(int argc, char** argv) {
    return common::answerInfoRequest(argc, argv, programName, writeHelp);
}

}  // namespace byteboard::BYTEBOARD_NS
