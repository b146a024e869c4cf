#include "common/alarm.h"

#include <sys/time.h>

namespace posixkit {

namespace {

sigset_t alarmOnly() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGALRM);
    return set;
}

}  // namespace

void setAlarmHandler(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
}

void ignoreAlarm() {
    struct sigaction action = {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
}

void armAlarm(long long micros) {
    if (micros < 1) micros = 1;  // a zero timer would never fire
    itimerval budget{};
    budget.it_value.tv_sec = static_cast<time_t>(micros / 1000000);
    budget.it_value.tv_usec = static_cast<suseconds_t>(micros % 1000000);
    setitimer(ITIMER_REAL, &budget, nullptr);
}

void disarmAlarm() {
    itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
}

sigset_t blockAlarm() {
    const sigset_t set = alarmOnly();
    sigset_t before;
    sigprocmask(SIG_BLOCK, &set, &before);
    return before;
}

void unblockAlarm() {
    const sigset_t set = alarmOnly();
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

void restoreMask(const sigset_t& before) {
    sigprocmask(SIG_SETMASK, &before, nullptr);
}

}  // namespace posixkit
