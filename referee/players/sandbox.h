// The sandbox for untrusted players, on bubblewrap: every turn in its own user, process,
// network, IPC, UTS, cgroup and mount namespaces, seeing the system's program and library
// folders, its own program and its working folder read-only and a private temporary
// folder that ends with the turn; no network, no other process to signal; limits on its
// memory and its number of processes.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace referee {

// A sandboxed player's memory (address space of each of its processes, and the size of
// its temporary folder), in MiB; and the processes it may have at once, bubblewrap's own
// init process in the sandbox counted.
constexpr int kDefaultSandboxMemoryMiB = 2048, kMinSandboxMemoryMiB = 16,
              kMaxSandboxMemoryMiB = 1 << 20;
constexpr int kDefaultSandboxProcesses = 64, kMinSandboxProcesses = 2,
              kMaxSandboxProcesses = 100000;

struct SandboxLimits {
    bool on = false;
    int memoryMiB = kDefaultSandboxMemoryMiB;
    int processes = kDefaultSandboxProcesses;
};

// "2048 MiB of memory, 64 processes": the limits as records and messages name them.
std::string limitsText(const SandboxLimits& s);

// The command line that runs argv (argv[0] an absolute path) in the sandbox with working
// folder dir. Files of `hidden` (absolute paths: the match's records) that lie in the
// working folder are replaced by an empty file.
std::vector<std::string> sandboxCommand(const SandboxLimits& s,
                                        const std::vector<std::string>& argv,
                                        const std::string& dir,
                                        const std::vector<std::string>& hidden);

// The user a sandboxed player runs as: the referee's own, or nobody when the referee runs
// as root (the kernel does not count root's processes against a limit, and a player has
// no business being root).
struct SandboxUser {
    bool drop = false;
    uid_t uid = 0;
    gid_t gid = 0;
};
SandboxUser sandboxUser();

// Why the sandbox cannot work here, with what to install or enable; nothing when it can.
// Found out once per process by running a program in it.
std::optional<std::string> sandboxProblem();

}  // namespace referee
