// pusher6 / pusher7: one turn of the byte-board player. Reads the game so far on standard
// input and writes one move; the optional argument is the time limit in seconds.
#include <cstdio>

#include "byteboard/driver.h"

int main(int argc, char** argv) {
    using namespace byteboard::BYTEBOARD_NS;
    if (!reset()) {
        std::fputs("out of memory\n", stderr);
        return 1;
    }
    unsigned limit = timelimit(argc > 1 ? argv[1] : nullptr);
    int32_t player = replay(stdin);
    turn(limit, player);
}
