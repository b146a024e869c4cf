#include "bitrow/turn.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>

#include "bitrow/board.h"
#include "bitrow/deepen.h"
#include "bitrow/evaluate.h"
#include "bitrow/history.h"
#include "bitrow/notation.h"
#include "bitrow/search.h"
#include "common/alarm.h"

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
    for (const HistEntry* e = history.histBucket[key & (histBuckets - 1)]; e; e = e->link)
        if (e->key == key && (e - histStack) % 2 == history.histCount % 2 &&
            std::memcmp(&e->board, &board, sizeof board) == 0)
            return true;
    return false;
}

}  // namespace

Replay replayGame(std::FILE* in) {
    while (!std::feof(in)) {
        const MoveIndex i = readMove(in);
        if (i == noMove) break;
        if (history.histCount - 1 >= maxRecordMoves) return Replay::TooLong;
        if (history.histCount % 2 == 1)
            applyMove(i, board.x, board.o, true);
        else
            applyMove(i, board.o, board.x, true);
        if (pushHist() == PushResult::refused) {
            // A record is refused only for a real repetition. A new position whose key merely
            // equals an earlier one is legal: it is recorded beside it, and the search then
            // treats the two keys as one position as it always does.
            const std::uint32_t key = hashBoard();
            if (positionRecorded(key)) return Replay::Repetition;
            recordTracked(key);
        }
    }
    return Replay::Ok;
}

void onAlarm(int) {
    searchState.timeUp = 1;
}

void armTimer(long micros) {
    searchState.timeUp = 0;
    // The handler goes in before the timer starts, so the alarm can never meet the
    // default action.
    posixkit::setAlarmHandler(onAlarm);
    posixkit::armAlarm(micros);
}

namespace {

// A module's state as at process start, built in place: the score cache alone is 8 MiB,
// too large to assign from a temporary on the stack.
template <class State>
void renew(State& state) {
    new (&state) State{};
}

}  // namespace

// Only what may have been written since the last reset is cleared: the records below the
// peak, the score cache after a search. bitCount keeps its entries (see BitCounts).
void resetEngine() {
    board = Board{};
    renew(sizes);
    std::fill(histStack, histStack + std::min(history.peak, histCapacity), HistEntry{});
    renew(history);
    if (scoreCache.searched) renew(scoreCache);
    renew(searchState);
    renew(deepening);
    evaluate = nullptr;
}

}  // namespace bitrow::BITROW_NS
