// The real-time alarm of a turn: a one-shot ITIMER_REAL timer that raises SIGALRM, its
// handler, and blocking SIGALRM around work the handler must not interrupt. Every function
// is async-signal-safe, so an alarm handler may call them too.
#pragma once
#include <signal.h>

namespace posixkit {

// Installs handler for SIGALRM (no flags, nothing else blocked while it runs).
void setAlarmHandler(void (*handler)(int));
// Discards SIGALRM from now on: an alarm already pending is dropped.
void ignoreAlarm();
// Starts the one-shot timer: SIGALRM after micros microseconds (at least one).
void armAlarm(long long micros);
// Stops the timer if it is running.
void disarmAlarm();

// Blocks SIGALRM for the calling thread and returns the mask before.
sigset_t blockAlarm();
// Lets SIGALRM through (an alarm may arrive blocked from the parent process).
void unblockAlarm();
// Puts back a mask that blockAlarm returned.
void restoreMask(const sigset_t& before);

// SIGALRM blocked for one scope, the mask before put back at its end.
class AlarmBlocked {
  public:
    AlarmBlocked() : before(blockAlarm()) {}
    ~AlarmBlocked() { restoreMask(before); }
    AlarmBlocked(const AlarmBlocked&) = delete;
    AlarmBlocked& operator=(const AlarmBlocked&) = delete;

  private:
    sigset_t before;
};

}  // namespace posixkit
