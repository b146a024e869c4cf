// What the referee's tests look at in /proc: the children this test process has, zombies
// among a process's descendants, whether a process is gone, the descriptors open here; the
// process ids stand-in players write to a file; and a program run to its end.
#pragma once

#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "referee/players/process.h"

namespace referee_test {

using Clock = std::chrono::steady_clock;

inline double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

struct ProcessState {
    char state = '?';
    pid_t parent = 0;
};

// Every process this test can see, with its state and parent.
inline std::map<pid_t, ProcessState> processes() {
    std::map<pid_t, ProcessState> all;
    DIR* d = opendir("/proc");
    if (!d) return all;
    while (dirent* e = readdir(d)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
        if (pid <= 0) continue;
        std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 2));
        ProcessState s;
        if (rest >> s.state >> s.parent) all[pid] = s;
    }
    closedir(d);
    return all;
}

// Children of this process that are still there, zombies included, once this thread's
// keeper (the referee's process between it and the players) has been ended.
inline int childrenLeft() {
    referee::endKeeper();
    int count = 0;
    for (const auto& [pid, s] : processes()) count += s.parent == getpid();
    return count;
}

// Zombies among the descendants of root.
inline int zombiesUnder(pid_t root) {
    const std::map<pid_t, ProcessState> all = processes();
    int count = 0;
    for (const auto& [pid, s] : all) {
        if (s.state != 'Z') continue;
        for (pid_t up = s.parent; up > 1; up = all.count(up) ? all.at(up).parent : 0)
            if (up == root) {
                count++;
                break;
            }
    }
    return count;
}

inline bool gone(pid_t pid) {
    return kill(pid, 0) != 0 && errno == ESRCH;
}

// The process ids written to path, one a line.
inline std::vector<pid_t> readPids(const std::string& path) {
    std::ifstream in(path);
    std::vector<pid_t> pids;
    for (pid_t pid; in >> pid;) pids.push_back(pid);
    return pids;
}

// Reaps the orphans that came to this process (a subreaper) from a referee that was killed
// or ended at once: its keepers, which end when their referee does.
inline void reapOrphans() {
    const Clock::time_point start = Clock::now();
    while (childrenLeft() > 0 && since(start) < 2) {
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        usleep(10000);
    }
}

// Waits up to `seconds` for every process of the list to be gone; true when they are.
inline bool allGone(const std::vector<pid_t>& pids, double seconds = 2) {
    const Clock::time_point start = Clock::now();
    for (;;) {
        bool left = false;
        for (pid_t p : pids) left = left || !gone(p);
        if (!left) return true;
        if (since(start) > seconds) return false;
        usleep(10000);
    }
}

// The descriptors open in this process.
inline int openDescriptors() {
    int count = 0;
    DIR* d = opendir("/proc/self/fd");
    if (!d) return -1;
    while (dirent* e = readdir(d)) count += e->d_name[0] != '.';
    closedir(d);
    return count - 1;  // the folder's own
}

// A program run through the referee's own process runner: its exit status, standard output
// and error.
struct ProgramRun {
    int status = -1;
    std::string out, err;
    double seconds = 0;
};
inline ProgramRun runProgram(const std::vector<std::string>& argv, double deadline = 60) {
    referee::RunRequest req;
    req.argv = argv;
    req.deadline = deadline;
    req.keep = 4 << 20;
    referee::RunResult r = referee::runProcess(req);
    return {r.end == referee::RunResult::End::Exited ? r.status : -1, r.out, r.err,
            r.answerSeconds};
}

}  // namespace referee_test
