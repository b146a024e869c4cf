// pusher6 / pusher7: one turn of the byte-board player. Reads the game so far on standard
// input and writes one move; the optional argument is the time limit in seconds.
#include <cstdio>

#include "byteboard/deepen.h"
#include "byteboard/notation.h"
#include "byteboard/turn.h"

int main(int argc, char** argv) {
    using namespace byteboard::BYTEBOARD_NS;
    if (!reset()) {
        std::fputs("out of memory\n", stderr);
        return 1;
    }
    const unsigned limit = timelimit(argc > 1 ? argv[1] : nullptr);
    const int32_t player = replay(stdin);
    turn(limit, player);
}
