// Measuring tool of the byte-board engine. It replays a game from a file (or standard input)
// into the engine, searches it to a fixed depth and prints every completed iteration, so
// that two builds can be compared line by line and run under callgrind:
//
//   byteboard_measure6 [-d depth] [game file]
//   byteboard_measure6 -g seed moves     writes a random open game of that many moves
//
// A generated game never gives either side more straights and never repeats a position
// with the same side to move, so the search below it starts from an open position.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "byteboard/deepen.h"
#include "byteboard/history.h"
#include "byteboard/turn.h"

namespace {

using namespace byteboard::BYTEBOARD_NS;

void print(const iteration& it) {
    std::printf("depth %d value %d nodes %lld move %c%d%s\n", it.depth, it.value,
                static_cast<long long>(it.nodes), it.dir, it.pos + 1,
                it.forcedwin ? " forced win" : "");
}

// True when the current record repeats an earlier one with the same side to move.
bool repeats() {
    for (int32_t i = history.hno % 2; i < history.hno - 1; i += 2)
        if (std::memcmp(history.hist[history.hno].cell, history.hist[i].cell,
                        sizeof history.hist[i].cell) == 0)
            return true;
    return false;
}

int generate(unsigned seed, int count) {
    std::mt19937 rng(seed);
    const char sides[] = "TRBL";
    int32_t player = 1;
    for (int k = 0; k < count; k++) {
        for (int attempt = 0;; attempt++) {
            if (attempt == 1000) {
                std::fprintf(stderr, "no open move after %d moves\n", k);
                return 1;
            }
            char side = sides[rng() % 4];
            int32_t pos = static_cast<int32_t>(rng() % N);
            domove(side, pos, player);
            const posrec& r = history.hist[history.hno];
            if (r.xstraights == r.ostraights && !repeats()) {
                std::printf("%c%d\n", side, pos + 1);
                break;
            }
            history.hno--;
        }
        player = 3 - player;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!reset()) return 1;
    int depth = 5;
    int arg = 1;
    if (argc >= 4 && std::strcmp(argv[1], "-g") == 0)
        return generate(static_cast<unsigned>(std::atoi(argv[2])), std::atoi(argv[3]));
    if (arg + 1 < argc && std::strcmp(argv[arg], "-d") == 0) {
        depth = std::atoi(argv[arg + 1]);
        arg += 2;
    }
    std::FILE* in = stdin;
    if (arg < argc) {
        in = std::fopen(argv[arg], "r");
        if (!in) {
            std::perror(argv[arg]);
            return 1;
        }
    }
    int32_t player = replay(in);
    std::printf("moves %d player %c\n", history.hno, player == 1 ? 'X' : 'O');
    deepening.maxdepth = depth;
    deepening.observer = print;
    computemove(&deepening.bestdir, &deepening.bestpos, player);
    return 0;
}
