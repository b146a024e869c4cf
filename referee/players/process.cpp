#include "referee/players/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <mutex>

#include "referee/players/descendants.h"
#include "referee/players/keeper.h"

namespace referee {

namespace {

using Clock = std::chrono::steady_clock;

// How long a keeper may take to clean up after its turn before it is killed itself.
constexpr double kKeeperGraceSeconds = 2;

volatile sig_atomic_t stopFlag = 0;
// The stop pipe: nobody reads it, so once a byte is in, it stays readable for every poll.
int stopPipe[2] = {-1, -1};
volatile sig_atomic_t stopWriteEnd = -1;

// The keepers running now. Any other child of the referee is something that a keeper
// which was killed left behind: the referee is a subreaper, so it inherits those.
std::mutex keepersLock;
std::vector<pid_t> keepers;

// Writing to a player that has already exited must give EPIPE, not end the referee. And
// the referee is a subreaper, so that what a killed keeper leaves comes to it.
void prepareOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        signal(SIGPIPE, SIG_IGN);
        signal(SIGCHLD, SIG_DFL);  // an inherited SIG_IGN would reap keepers behind our back
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) == 0) stopWriteEnd = stopPipe[1];
        if (stopFlag) requestStop();
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

// The pipes of one run: the player's standard input, output and error; the control pipe,
// which the referee closes when the turn is over; and the keeper's status messages.
struct Pipes {
    Pipe in, out, err, control, status;
    bool open() { return in.open() && out.open() && err.open() && control.open() && status.open(); }
};

// Forks the keeper, retrying while the machine is short of processes for a moment (not
// the player's fault). The keeper is on the list before any sweep can see it. -1 when the
// fork failed.
pid_t startKeeper(const KeeperPlan& plan, Clock::time_point& start) {
    for (int attempt = 0;; attempt++) {
        {
            std::lock_guard<std::mutex> hold(keepersLock);
            start = Clock::now();
            const pid_t pid = fork();
            if (pid == 0) runKeeper(plan);
            if (pid > 0) {
                keepers.push_back(pid);
                return pid;
            }
        }
        if (errno != EAGAIN || attempt == 4) return -1;
        usleep(200000);
    }
}

enum class Read { Message, Closed, NotYet };

// Reads one status message (each is written in one piece): Closed at end of file (the
// keeper is gone), NotYet when none is there (non-blocking).
Read readMessage(int fd, KeeperMessage& m) {
    ssize_t got;
    while ((got = read(fd, &m, sizeof m)) < 0 && errno == EINTR) {
    }
    if (got == static_cast<ssize_t>(sizeof m)) return Read::Message;
    return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? Read::NotYet : Read::Closed;
}

// Why the player could not start, from the keeper's message.
std::string startFailure(const RunRequest& request, const KeeperMessage& m) {
    const std::string why = std::strerror(m.error);
    if (m.value == FolderFailed) return "cannot enter " + request.dir + ": " + why;
    if (m.value == UserFailed) return "cannot become the sandbox's user: " + why;
    return "cannot run " + request.argv[0] + ": " + why;
}

// Takes a keeper off the list once it has been reaped. When it did not end by itself after
// its turn, what it leaves is swept at once: its orphans have come to the referee.
void forgetKeeper(pid_t keeper, bool lost) {
    std::lock_guard<std::mutex> hold(keepersLock);
    keepers.erase(std::find(keepers.begin(), keepers.end(), keeper));
    if (lost) sweepChildren(keepers.data(), static_cast<int>(keepers.size()), nullptr, nullptr);
}

}  // namespace

namespace {

// The running turn, seen from the referee: input fed, output and error collected, until
// the player has ended (the keeper says so at once), the deadline passes, the answer is too
// long or a stop is requested. Then the keeper ends the turn's processes.
class Exchange {
  public:
    Exchange(const RunRequest& request, Pipes& pipes, pid_t keeper, Clock::time_point start,
             RunResult& result)
        : request(request), p(pipes), keeper(keeper), start(start), result(result) {}

    void run();
    // Ends the turn: the keeper kills every process of it, and is reaped; sets how the
    // player ended.
    void finish();

  private:
    bool feedInput();  // one write of what is left; false once the input is closed
    void takeOutput();
    void takeStatus();
    void markAnswered();
    int pollWait(Clock::time_point deadline) const;
    // Waits for the keeper to end after the turn; false when it had to be killed.
    bool keeperEnds();
    void setEnd();

    const RunRequest& request;
    Pipes& p;
    const pid_t keeper;
    const Clock::time_point start;
    RunResult& result;
    size_t written = 0;
    bool ended = false, keeperLost = false, interrupted = false;
    int waitStatus = 0;
};

int Exchange::pollWait(Clock::time_point deadline) const {
    const long long wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count() + 1;
    return static_cast<int>(std::clamp<long long>(wait, 0, INT_MAX));
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

void Exchange::markAnswered() {
    if (result.answered) return;
    result.answered = true;
    result.answerSeconds = secondsSince(start);
}

void Exchange::takeOutput() {
    bool more = readSome(p.out.fd[0], result.out, request.keep, result.outCut);
    if (!more || result.out.find('\n') != std::string::npos || result.outCut) markAnswered();
    if (!more) p.out.close(0);
}

void Exchange::takeStatus() {
    KeeperMessage m;
    const Read got = readMessage(p.status.fd[0], m);
    if (got == Read::NotYet) return;
    if (got == Read::Closed)
        keeperLost = true;  // end of file before the player ended: the keeper was killed
    else if (m.kind == KeeperMessage::StartFailed)
        result.error = startFailure(request, m);
    else
        waitStatus = m.value;
    ended = true;
    // What the player wrote before it ended is in the pipes; what its leftovers may still
    // write is not its answer.
    if (p.out.fd[0] >= 0) takeOutput();
    if (p.err.fd[0] >= 0) readSome(p.err.fd[0], result.err, request.keep, result.errCut);
    markAnswered();
}

void Exchange::run() {
    for (int fd : {p.in.fd[1], p.out.fd[0], p.err.fd[0], p.status.fd[0]}) setNonBlocking(fd);
    const Clock::time_point deadline = start + std::chrono::duration_cast<Clock::duration>(
                                                   std::chrono::duration<double>(request.deadline));
    if (request.input.empty()) p.in.close(1);
    while (!ended && !result.outCut) {
        if (stopRequested()) {
            interrupted = true;
            return;
        }
        if (Clock::now() >= deadline) return;
        pollfd fds[5];
        int n = 0, iIn = -1, iOut = -1, iErr = -1;
        if (p.in.fd[1] >= 0) fds[iIn = n++] = {p.in.fd[1], POLLOUT, 0};
        if (p.out.fd[0] >= 0) fds[iOut = n++] = {p.out.fd[0], POLLIN, 0};
        if (p.err.fd[0] >= 0) fds[iErr = n++] = {p.err.fd[0], POLLIN, 0};
        const int iStatus = n;
        fds[n++] = {p.status.fd[0], POLLIN, 0};
        if (stopPipe[0] >= 0) fds[n++] = {stopPipe[0], POLLIN, 0};
        if (poll(fds, n, pollWait(deadline)) <= 0) continue;  // timeout, EINTR: look again
        if (iIn >= 0 && fds[iIn].revents) feedInput();
        if (iOut >= 0 && fds[iOut].revents) takeOutput();
        if (iErr >= 0 && fds[iErr].revents &&
            !readSome(p.err.fd[0], result.err, request.keep, result.errCut))
            p.err.close(0);
        if (fds[iStatus].revents) takeStatus();
    }
}

bool Exchange::keeperEnds() {
    // The keeper's status pipe closes when it exits: nothing else holds it.
    const Clock::time_point give =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(kKeeperGraceSeconds));
    setNonBlocking(p.status.fd[0]);
    siginfo_t stopped{};
    if (waitid(P_PID, static_cast<id_t>(keeper), &stopped, WSTOPPED | WNOHANG | WNOWAIT | __WALL) ==
            0 &&
        stopped.si_pid == keeper) {
        kill(keeper, SIGKILL);  // stopped (by the player): it cannot clean up
        return false;
    }
    for (;;) {
        pollfd status{p.status.fd[0], POLLIN, 0};
        const int ready = poll(&status, 1, pollWait(give));
        if (ready > 0) {
            KeeperMessage m;
            Read got;
            while ((got = readMessage(p.status.fd[0], m)) == Read::Message) {
            }
            if (got == Read::Closed) return true;
        } else if (ready == 0 || Clock::now() >= give) {
            kill(keeper, SIGKILL);  // stopped, or stuck: its orphans come to the referee
            return false;
        }
    }
}

void Exchange::setEnd() {
    if (!result.error.empty()) {
        result.end = RunResult::End::StartFailed;
    } else if (interrupted) {
        result.end = RunResult::End::Interrupted;
    } else if (keeperLost) {
        result.end = RunResult::End::KeeperLost;
    } else if (!ended) {
        result.end = RunResult::End::Killed;
        result.status = SIGKILL;
    } else if (WIFEXITED(waitStatus)) {
        const int code = WEXITSTATUS(waitStatus);
        const bool signalled = request.sandboxed && code > 128 && code < 128 + NSIG;
        result.end = signalled ? RunResult::End::Signalled : RunResult::End::Exited;
        result.status = signalled ? code - 128 : code;
    } else {
        result.end = RunResult::End::Signalled;
        result.status = WIFSIGNALED(waitStatus) ? WTERMSIG(waitStatus) : 0;
    }
}

void Exchange::finish() {
    p.control.close(1);  // the turn is over: the keeper kills what is left of it
    const bool clean = keeperEnds();
    int status = 0;
    while (waitpid(keeper, &status, __WALL) < 0 && errno == EINTR) {
    }
    forgetKeeper(keeper, keeperLost || !clean || !WIFEXITED(status));
    if (!ended) {
        // Killed in the middle: what it wrote up to then.
        if (p.out.fd[0] >= 0) readSome(p.out.fd[0], result.out, request.keep, result.outCut);
        if (p.err.fd[0] >= 0) readSome(p.err.fd[0], result.err, request.keep, result.errCut);
    }
    if (!result.answered) result.answerSeconds = secondsSince(start);
    setEnd();
}

}  // namespace

void requestStop() {
    const int saved = errno;  // called from signal handlers
    stopFlag = 1;
    if (stopWriteEnd >= 0) {
        const ssize_t ignored = write(stopWriteEnd, "s", 1);
        (void)ignored;
    }
    errno = saved;
}

bool stopRequested() {
    return stopFlag != 0;
}

int stopDescriptor() {
    prepareOnce();
    return stopPipe[0];
}

RunResult runProcess(const RunRequest& request) {
    prepareOnce();
    RunResult result;
    if (request.argv.empty()) {
        result.error = "empty command";
        return result;
    }
    // Everything the keeper needs is prepared before the fork.
    std::vector<char*> argv;
    for (const std::string& a : request.argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    Pipes pipes;
    if (!pipes.open()) {
        result.error = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    KeeperPlan plan;
    plan.in = pipes.in.fd[0];
    plan.out = pipes.out.fd[1];
    plan.err = pipes.err.fd[1];
    plan.control = pipes.control.fd[0];
    plan.status = pipes.status.fd[1];
    plan.argv = argv.data();
    plan.dir = request.dir.empty() ? nullptr : request.dir.c_str();
    plan.dropUser = request.dropUser;
    plan.uid = request.uid;
    plan.gid = request.gid;
    plan.referee = getpid();

    Clock::time_point start;
    const pid_t keeper = startKeeper(plan, start);
    if (keeper < 0) {
        result.error = std::string("fork: ") + std::strerror(errno);
        return result;
    }
    for (Pipe* own : {&pipes.in, &pipes.control}) own->close(0);
    for (Pipe* theirs : {&pipes.out, &pipes.err, &pipes.status}) theirs->close(1);
    Exchange exchange(request, pipes, keeper, start, result);
    exchange.run();
    exchange.finish();
    return result;
}

}  // namespace referee
