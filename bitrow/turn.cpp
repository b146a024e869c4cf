#include "bitrow/turn.h"

#include <sys/time.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "bitrow/board.h"
#include "bitrow/deepen.h"
#include "bitrow/evaluate.h"
#include "bitrow/history.h"
#include "bitrow/notation.h"
#include "bitrow/search.h"

namespace bitrow::BITROW_NS {

int readSize(std::FILE* in) {
    char line[lineBufferSize];
    if (!std::fgets(line, sizeof line, in)) return 0;
    const long n = std::strtol(line, nullptr, 10);
    if (n > INT_MAX) return INT_MAX;
    if (n < INT_MIN) return INT_MIN;
    return static_cast<int>(n);
}

void startGame(int n) {
    setSize(n);
    evaluate = evaluatorFor(n);
    pushHist();
}

namespace {

// Whether the stack holds this very position: the same board with the same side to move (a
// record's side to move is the parity of its index). Keys alone can collide for different
// boards: from N = 16 on the shifted X rows overlap the O rows, and from N = 18 X's leftmost
// columns fall out of the key.
bool positionRecorded(std::uint32_t key) {
    for (const HistEntry* e = histBucket[key & (histBuckets - 1)]; e; e = e->link)
        if (e->key == key && (e - histStack) % 2 == histCount % 2 &&
            std::memcmp(&e->board, &board, sizeof board) == 0)
            return true;
    return false;
}

}  // namespace

Replay replayGame(std::FILE* in) {
    while (!std::feof(in)) {
        const int i = readMove(in);
        if (i < 0) break;
        if (histCount - 1 >= maxRecordMoves) return Replay::TooLong;
        if (histCount % 2 == 1)
            applyMove(i, board.x, board.o, 1);
        else
            applyMove(i, board.o, board.x, 1);
        if (!pushHist()) {
            // A record is refused only for a real repetition. A new position whose key merely
            // equals an earlier one is legal: it is recorded beside it, and the search then
            // treats the two keys as one position as it always does.
            const std::uint32_t key = hashBoard();
            if (positionRecorded(key)) return Replay::Repetition;
            recordBoard(key);
        }
    }
    return Replay::Ok;
}

void onAlarm(int) {
    timeUp = 1;
}

void armTimer(long micros) {
    timeUp = 0;
    // The handler goes in before the timer starts, so the alarm can never meet the
    // default action.
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onAlarm;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    itimerval budget{};
    budget.it_value.tv_sec = micros / 1000000;
    budget.it_value.tv_usec = micros % 1000000;
    setitimer(ITIMER_REAL, &budget, nullptr);
}

void resetEngine() {
    board = Board{};
    boardSize = 0;
    topBit = fullMask = 0;
    hashShift = 0;
    unusedRowBytes = fullRowBytes = 0;
    std::memset(keyWeight, 0, sizeof keyWeight);
    keySeedWeight = 0;
    std::memset(bitCount, 0, sizeof bitCount);
    std::memset(histStack, 0, sizeof histStack);
    histCount = 0;
    std::memset(histBucket, 0, sizeof histBucket);
    evaluate = nullptr;
    std::memset(colTally, 0, sizeof colTally);
    std::memset(&scoreCache, 0, sizeof scoreCache);
    std::memset(moveOrder, 0, sizeof moveOrder);
    timeUp = 0;
    searchCalls = 0;
}

}  // namespace bitrow::BITROW_NS
