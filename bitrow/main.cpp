// The bit-row player: one process answers one turn. It reads the board size and the game
// so far on standard input and writes its move on standard output. -h, --help or --version
// as the only argument print what it is instead.
#include <cstdint>
#include <cstdio>

#include "bitrow/deepen.h"
#include "bitrow/delegate.h"
#include "bitrow/notation.h"
#include "bitrow/turn.h"
#include "bitrow/types.h"
#include "bitrow/usage.h"

using namespace bitrow;
using namespace bitrow::BITROW_NS;

namespace {

// The line on standard error for a record the replay refused; null for a playable one.
const char* refusal(Replay replayed) {
    switch (replayed) {
        case Replay::Ok:
            return nullptr;
        case Replay::Repetition:
            // Fixed text: the record repeats a position, so it is no valid game.
            return "play:676: main: check `pushHist()' failed: the game repeats a position\n";
        case Replay::TooLong:
            return "game record too long\n";
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (const int status = answerInfoRequest(argc, argv); status >= 0) return status;
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
    if (const char* why = refusal(replayGame(stdin))) {
        std::fputs(why, stderr);
        return 1;
    }
    Score score;
    const MoveIndex best = deepen(&score);
    std::printf("%s\n", moveName(best));
    std::fflush(stdout);
    return 0;
}
