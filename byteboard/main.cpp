// pusher6 / pusher7: one turn of the byte-board player. Reads the game so far on standard
// input and writes one move; the optional argument is the time limit in seconds. -h, --help
// or --version as the only argument print what it is instead.
#include <cstdio>

#include "byteboard/deepen.h"
#include "byteboard/notation.h"
#include "byteboard/turn.h"
#include "byteboard/usage.h"

int main(int argc, char** argv) {
    using namespace byteboard::BYTEBOARD_NS;
    if (const int status = answerInfoRequest(argc, argv); status >= 0) return status;
    if (!reset()) {
        std::fputs("out of memory\n", stderr);
        return 1;
    }
    const unsigned limit = timelimit(argc > 1 ? argv[1] : nullptr);
    const int32_t player = replay(stdin);
    turn(limit, player);
}
