// The keeper of a turn: a small process between the referee and the player. It starts the
// player in a session of its own with exactly standard input, output and error open,
// reaps at once whatever the player leaves behind while the turn runs (it is their
// subreaper, so every orphan of the turn comes to it), and tells the referee the moment the
// player ends. The turn is over then, or before when the referee closes the control pipe
// (deadline, stop) or dies (a parent-death signal and the pipe's end of file both tell it):
// the keeper kills every process of the turn, round after round, until none is left, and
// exits.
#pragma once

#include <sys/types.h>

namespace referee {

// What the keeper is given, all prepared before the fork: it allocates nothing.
struct KeeperPlan {
    int in = -1, out = -1, err = -1;  // the player's standard input, output and error
    int control = -1;                 // read end; end of file when the turn is over
    int status = -1;                  // write end, for the messages below
    char* const* argv = nullptr;      // argv[0] is run as given
    const char* dir = nullptr;        // working directory; null keeps the referee's
    bool dropUser = false;            // run the player as uid/gid (no supplementary groups)
    uid_t uid = 0;
    gid_t gid = 0;
    pid_t referee = 0;  // the referee's process id: a keeper whose parent changed cleans up
};

// One message on the status pipe, written in one write.
struct KeeperMessage {
    enum Kind : int {
        StartFailed = 1,  // value: what failed (KeeperFailure), error: errno
        Ended = 2,        // value: the player's wait status
    };
    int kind = 0;
    int value = 0;
    int error = 0;
};

enum KeeperFailure : int { ProgramFailed = 0, FolderFailed = 1, UserFailed = 2 };

// Runs in the child of a fork: becomes the keeper, and never returns. Only
// async-signal-safe calls, since the referee may have other threads.
[[noreturn]] void runKeeper(const KeeperPlan& plan);

}  // namespace referee
