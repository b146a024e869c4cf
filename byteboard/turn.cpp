#include "byteboard/turn.h"

#include <unistd.h>

#include "byteboard/board.h"
#include "byteboard/deepen.h"
#include "byteboard/history.h"
#include "byteboard/notation.h"
#include "common/alarm.h"
#include "common/write_all.h"

namespace byteboard::BYTEBOARD_NS {

namespace {

[[noreturn]] void answerpair(char dir, int32_t pos) {
    char buf[answerbytes];
    const int len = formatanswer(dir, pos, buf);
    _exit(posixkit::writeAll(STDOUT_FILENO, buf, static_cast<std::size_t>(len)) ? 0 : 1);
}

}  // namespace

int32_t replay(std::FILE* in) {
    int32_t player = 1;
    char side;
    int number;
    while (readmove(in, &side, &number)) {
        domove(side, number - 1, player);
        player = 3 - player;
    }
    return player;
}

void answer() {
    posixkit::blockAlarm();
    answerpair(deepening.bestdir, deepening.bestpos);
}

void timeout(int) {
    answerpair(deepening.bestdir, deepening.bestpos);
}

void turn(unsigned limit, int32_t player) {
    history.growfailed = answer;
    posixkit::setAlarmHandler(timeout);
    // The alarm may arrive blocked from the parent process; it must be able to end the turn.
    posixkit::unblockAlarm();
    if (limit > 0)
        posixkit::armAlarm(static_cast<long long>(limit) * 1000000);
    else
        posixkit::disarmAlarm();  // no limit: not even a timer left from before
    computemove(&deepening.bestdir, &deepening.bestpos, player);
    answer();
}

}  // namespace byteboard::BYTEBOARD_NS
