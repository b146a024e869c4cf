// The bit-row player: one process answers one turn. It reads the board size and the game
// so far on standard input and writes its move on standard output.
#include <cstdint>
#include <cstdio>

#include "bitrow/deepen.h"
#include "bitrow/delegate.h"
#include "bitrow/notation.h"
#include "bitrow/turn.h"
#include "bitrow/types.h"

using namespace bitrow;
using namespace bitrow::BITROW_NS;

int main() {
    const int n = readSize(stdin);
    if (n < 1) {
        std::fputs("N must be a positive number\n", stderr);
        return 1;
    }
    // Hand a larger board to a wider build before the clock starts; the widest build has
    // none to hand it to.
    if (n > rowLimit && !isWidestBuild) delegate(n);
    armTimer(turnBudgetMicros);
    if (n > rowLimit) {
        std::fputs("N too large\n", stderr);
        return 1;
    }
    startGame(n);
    switch (replayGame(stdin)) {
        case Replay::Ok:
            break;
        case Replay::Repetition:
            // Fixed text: the record repeats a position, so it is no valid game.
            std::fputs("play:676: main: check `pushHist()' failed: the game repeats a position\n",
                       stderr);
            return 1;
        case Replay::TooLong:
            std::fputs("game record too long\n", stderr);
            return 1;
    }
    Score score;
    const MoveIndex best = deepen(&score);
    std::printf("%s\n", moveName(best));
    std::fflush(stdout);
    return 0;
}
