// The children of this process as /proc lists them, and the sweep that kills them all,
// round after round, until none is left. Used by the keeper of a turn (whose children are
// everything the player left behind: it is their subreaper) and by the referee for what a
// keeper that was killed leaves to it. Async-signal-safe: nothing is allocated, so the
// keeper may run it between fork and exit.
#pragma once

#include <sys/types.h>

namespace referee {

// Calls found(pid, context) for every child of this process (of any of its threads),
// zombies included. False when /proc cannot tell.
bool forEachChild(void (*found)(pid_t, void*), void* context);

// Kills every child but those of `spare` with SIGKILL and reaps each by its id, then looks
// again, until no child but the spared ones is left: a process killed with SIGKILL cannot
// fork again, and whatever it leaves comes to this process (a subreaper) by the next round.
// reaped(pid, status, context) is told of each reaped child; it may be null. Returns the
// number of children reaped, or -1 when /proc cannot list the children.
int sweepChildren(const pid_t* spare, int spareCount, void (*reaped)(pid_t, int, void*),
                  void* context);

}  // namespace referee
