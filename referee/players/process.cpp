#include "referee/players/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

#include "common/write_all.h"

namespace referee {

namespace {

using Clock = std::chrono::steady_clock;

volatile sig_atomic_t stopFlag = 0;

// Writing to a player that has already exited must give EPIPE, not end the referee. And
// processes that a player leaves behind become the referee's children, so that they are
// reaped here rather than left as zombies.
void prepareOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        signal(SIGPIPE, SIG_IGN);
        signal(SIGCHLD, SIG_DFL);  // an inherited SIG_IGN would reap players behind our back
        prctl(PR_SET_CHILD_SUBREAPER, 1);
    });
}

struct Pipe {
    int fd[2] = {-1, -1};
    bool open() { return pipe2(fd, O_CLOEXEC) == 0; }
    void close(int i) {
        if (fd[i] >= 0) ::close(fd[i]);
        fd[i] = -1;
    }
    ~Pipe() {
        close(0);
        close(1);
    }
};

void setNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// Appends what can be read now from fd to buf (up to keep bytes; the rest is dropped but
// noted). Returns false at end of file or on an error other than "try again". Reads a
// bounded amount per call, so that a player writing without pause cannot hold off the
// deadline.
bool readSome(int fd, std::string& buf, size_t keep, bool& cut) {
    char chunk[8192];
    for (int round = 0; round < 32; round++) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got > 0) {
            size_t room = buf.size() < keep ? keep - buf.size() : 0;
            size_t take = static_cast<size_t>(got) < room ? static_cast<size_t>(got) : room;
            buf.append(chunk, take);
            if (take < static_cast<size_t>(got)) cut = true;
            continue;
        }
        if (got == 0) return false;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
    return true;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The pipes of one run: the player's standard input, output and error, and the report
// pipe through which a child that could not start tells why.
struct Pipes {
    Pipe in, out, err, report;
    bool open() { return in.open() && out.open() && err.open() && report.open(); }
};

// In the child, between fork and exec: its own process group, default signal handling,
// the pipes as standard input, output and error, the working directory. Only
// async-signal-safe calls, since the referee may have other threads. On failure the
// reason goes to the report pipe as {tag, errno} (tag 1: the folder).
[[noreturn]] void execChild(const Pipes& p, char* const* argv, const char* dir) {
    setpgid(0, 0);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    for (int s : {SIGPIPE, SIGINT, SIGTERM, SIGALRM, SIGCHLD}) sigaction(s, &dfl, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    int code = 0, tag = 0;
    if (dir && chdir(dir) != 0) code = errno, tag = 1;
    if (!code && (dup2(p.in.fd[0], 0) < 0 || dup2(p.out.fd[1], 1) < 0 || dup2(p.err.fd[1], 2) < 0))
        code = errno;
    if (!code) {
        execv(argv[0], argv);
        code = errno;
    }
    // Tell the parent why; the report pipe closes on a successful exec instead.
    const int msg[2] = {tag, code};
    posixkit::writeAll(p.report.fd[1], reinterpret_cast<const char*>(msg), sizeof msg);
    _exit(127);
}

// Forks, retrying while the machine is short of processes for a moment (not the player's
// fault). The child does not return. -1 when the fork failed.
pid_t startChild(const Pipes& pipes, char* const* argv, const char* dir, Clock::time_point& start) {
    pid_t pid = -1;
    for (int attempt = 0; attempt < 5; attempt++) {
        start = Clock::now();
        pid = fork();
        if (pid >= 0 || errno != EAGAIN) break;
        usleep(200000);
    }
    if (pid == 0) execChild(pipes, argv, dir);
    return pid;
}

// Waits for the child's exec: an error text when it reported a failure (the child is
// reaped then), empty when the program runs.
std::string startFailure(const RunRequest& request, int reportFd, pid_t pid) {
    int msg[2] = {0, 0};
    ssize_t got;
    do got = read(reportFd, msg, sizeof msg);
    while (got < 0 && errno == EINTR);
    if (got != static_cast<ssize_t>(sizeof msg)) return "";
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return (msg[0] ? "cannot enter " + request.dir : "cannot run " + request.argv[0]) + ": " +
           std::strerror(msg[1]);
}

// The running turn, seen from the referee: input fed, output and error collected, until
// the output is closed and the process has ended, the deadline passes, the answer is too
// long or a stop is requested.
class Exchange {
  public:
    Exchange(const RunRequest& request, Pipes& pipes, pid_t pid, Clock::time_point start,
             RunResult& result)
        : request(request), p(pipes), pid(pid), start(start), result(result) {}

    void run();
    // Kills the group, reaps it and sets how the process ended.
    void finish();

  private:
    bool feedInput();  // one write of what is left; false once the input is closed
    void takeOutput();
    int pollWait(Clock::time_point deadline) const;

    const RunRequest& request;
    Pipes& p;
    const pid_t pid;
    const Clock::time_point start;
    RunResult& result;
    size_t written = 0;
    bool exited = false, interrupted = false;
};

int Exchange::pollWait(Clock::time_point deadline) const {
    long wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count() + 1;
    if (wait < 0) wait = 0;      // the deadline passed since it was checked
    if (wait > 100) wait = 100;  // keeps an eye on stop requests
    if (p.out.fd[0] < 0 && wait > 5) wait = 5;
    return static_cast<int>(wait);
}

bool Exchange::feedInput() {
    // Not a whole write: the pipe is non-blocking, so a player that does not read cannot
    // hold the referee past the deadline. The rest goes when the pipe has room again.
    ssize_t put = write(p.in.fd[1], request.input.data() + written, request.input.size() - written);
    if (put > 0) written += static_cast<size_t>(put);
    if ((put < 0 && errno != EAGAIN && errno != EINTR) || written == request.input.size())
        p.in.close(1);  // done, or the player stopped reading (EPIPE): fine either way
    return p.in.fd[1] >= 0;
}

void Exchange::takeOutput() {
    bool more = readSome(p.out.fd[0], result.out, request.keep, result.outCut);
    if (!result.answered &&
        (!more || result.out.find('\n') != std::string::npos || result.outCut)) {
        result.answered = true;
        result.answerSeconds = secondsSince(start);
    }
    if (!more) p.out.close(0);
}

void Exchange::run() {
    setNonBlocking(p.in.fd[1]);
    setNonBlocking(p.out.fd[0]);
    setNonBlocking(p.err.fd[0]);
    const Clock::time_point deadline = start + std::chrono::duration_cast<Clock::duration>(
                                                   std::chrono::duration<double>(request.deadline));
    if (request.input.empty()) p.in.close(1);
    for (;;) {
        if (p.out.fd[0] < 0 && !exited) {
            // Standard output is closed: find out, without reaping (the process id and so
            // the group id stay ours until then), whether the process has ended.
            siginfo_t info{};
            if (waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid)
                exited = true;
        }
        if (p.out.fd[0] < 0 && exited) return;
        if (stopRequested()) {
            interrupted = true;
            return;
        }
        if (Clock::now() >= deadline) return;
        pollfd fds[3];
        int n = 0, iIn = -1, iOut = -1, iErr = -1;
        if (p.in.fd[1] >= 0) fds[iIn = n++] = {p.in.fd[1], POLLOUT, 0};
        if (p.out.fd[0] >= 0) fds[iOut = n++] = {p.out.fd[0], POLLIN, 0};
        if (p.err.fd[0] >= 0) fds[iErr = n++] = {p.err.fd[0], POLLIN, 0};
        int ready = poll(fds, n, pollWait(deadline));
        if (ready < 0 && errno != EINTR) return;
        if (ready <= 0) continue;
        if (iIn >= 0 && fds[iIn].revents) feedInput();
        if (iOut >= 0 && fds[iOut].revents) {
            takeOutput();
            if (result.outCut) return;  // more than any answer: no need to wait for the rest
        }
        if (iErr >= 0 && fds[iErr].revents) {
            if (!readSome(p.err.fd[0], result.err, request.keep, result.errCut)) p.err.close(0);
        }
    }
}

void Exchange::finish() {
    // Whatever the state, nothing of the player's group outlives its turn. The process is
    // not reaped yet, so its id cannot have been handed to another group.
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // The rest of the group: its members were killed with the leader, and whichever lost
    // its parent has become ours by now (a process's children are handed on before its
    // own exit can be reaped).
    for (;;) {
        int ignored;
        if (waitpid(-pid, &ignored, 0) > 0 || errno == EINTR) continue;
        break;
    }
    if (p.out.fd[0] >= 0) readSome(p.out.fd[0], result.out, request.keep, result.outCut);
    if (p.err.fd[0] >= 0) readSome(p.err.fd[0], result.err, request.keep, result.errCut);
    if (!result.answered) result.answerSeconds = secondsSince(start);

    if (interrupted) {
        result.end = RunResult::End::Interrupted;
    } else if (!exited) {
        result.end = RunResult::End::Killed;
        result.status = SIGKILL;
    } else if (WIFEXITED(status)) {
        result.end = RunResult::End::Exited;
        result.status = WEXITSTATUS(status);
    } else {
        result.end = RunResult::End::Signalled;
        result.status = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
}

}  // namespace

void requestStop() {
    stopFlag = 1;
}
bool stopRequested() {
    return stopFlag != 0;
}

RunResult runProcess(const RunRequest& request) {
    prepareOnce();
    RunResult result;
    if (request.argv.empty()) {
        result.error = "empty command";
        return result;
    }
    // Everything the child needs is prepared before the fork.
    std::vector<char*> argv;
    for (const std::string& a : request.argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const char* dir = request.dir.empty() ? nullptr : request.dir.c_str();

    // Start: pipes, fork, exec.
    Pipes pipes;
    if (!pipes.open()) {
        result.error = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    Clock::time_point start;
    const pid_t pid = startChild(pipes, argv.data(), dir, start);
    if (pid < 0) {
        result.error = std::string("fork: ") + std::strerror(errno);
        return result;
    }
    setpgid(pid, pid);  // also in the parent, so that the group exists before we kill it
    pipes.in.close(0);
    pipes.out.close(1);
    pipes.err.close(1);
    pipes.report.close(1);
    result.error = startFailure(request, pipes.report.fd[0], pid);
    if (!result.error.empty()) return result;

    // The turn itself, then the end of the group.
    Exchange exchange(request, pipes, pid, start, result);
    exchange.run();
    exchange.finish();
    return result;
}

}  // namespace referee
