// The keeper: a small process between the referee and the players, one for each of the
// referee's threads that run turns, serving that thread's turns one at a time. For a turn
// it starts the player in a session of its own with exactly standard input, output and
// error open, is the subreaper of everything the player starts (so every orphan of the turn
// comes to it), reaps at once whatever ends, and when the player has ended kills every
// process the turn started, round after round, until none is left, and only then tells the
// referee how the player ended. When the referee ends the turn first (deadline, stop) it
// kills them then. When the referee dies (a parent-death signal, and the end of its socket
// both tell it) it does the same and exits. Started once rather than for every turn, it costs
// a turn one vfork instead of a fork and an exit.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace referee {

// A turn as the referee sends it, in one message with the player's three pipe ends: this
// header, then the working directory (empty: the keeper's) and the arguments, each ending
// with a NUL byte.
struct KeeperRequest {
    uint32_t argc = 0;
    uint32_t dropUser = 0;  // run the player as uid and gid, without supplementary groups
    uid_t uid = 0;
    gid_t gid = 0;
};
constexpr size_t kMaxKeeperRequest = 64 * 1024;  // bytes of a request, header included
constexpr uint32_t kMaxKeeperArgs = 4096;

// The request's bytes; nothing when the command line is too long for one.
std::optional<std::string> keeperRequest(const std::vector<std::string>& argv,
                                         const std::string& dir, const KeeperRequest& header);

// The one-byte message by which the referee ends a turn early (a keeper with no turn running
// ignores it).
constexpr char kEndTurn = 'E';

// The keeper's answer to a turn, written in one piece.
struct KeeperMessage {
    enum Kind : int {
        StartFailed = 1,  // value: what failed (KeeperFailure), error: errno
        Ended = 2,        // value: the player's wait status; nothing of the turn is left
    };
    int kind = 0;
    int value = 0;
    int error = 0;
};

enum KeeperFailure : int { ProgramFailed = 0, FolderFailed = 1, UserFailed = 2 };

// Runs in the child of a fork: becomes the keeper serving the turns sent on `socket`, and
// never returns. Only async-signal-safe calls, since the referee may have other threads.
// referee: the referee's process id, to notice its death.
[[noreturn]] void runKeeper(int socket, pid_t referee);

}  // namespace referee
