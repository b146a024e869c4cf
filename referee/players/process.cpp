#include "referee/players/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <mutex>
#include <optional>

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

// The player's standard input, output and error for one turn.
struct Pipes {
    Pipe in, out, err;
    bool open() { return in.open() && out.open() && err.open(); }
};

// The keeper of the calling thread: started with its first turn (and again after one was
// lost), ended and reaped with the thread.
class KeeperLink {
  public:
    ~KeeperLink() { retire(); }
    // Starts the keeper if there is none; false when it cannot be started.
    bool ready();
    int socket() const { return sock; }
    pid_t pid() const { return keeper; }
    // Sends a turn with the player's three pipe ends; false when the keeper is gone.
    bool send(const std::string& request, const int fds[3]);
    // Ends the turn in progress early; the keeper answers when nothing of it is left.
    void endTurn() const { ::send(sock, &kEndTurn, 1, MSG_NOSIGNAL | MSG_DONTWAIT); }
    // The keeper was killed, or is stuck: it is killed and reaped, and what it left (which
    // came to the referee, a subreaper) is swept.
    void lose() { end(true); }
    // No more turns: the keeper, with no turn running, is ended and reaped.
    void retire() { end(false); }

  private:
    void end(bool sweep);
    pid_t keeper = -1;
    int sock = -1;
};

thread_local KeeperLink link;

bool KeeperLink::ready() {
    if (keeper > 0) return true;
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) return false;
    const pid_t referee = getpid();
    // On the list before any sweep can see it. Tried again while the machine is short of
    // processes for a moment (not the player's fault).
    for (int attempt = 0; keeper < 0 && attempt < 5; attempt++) {
        if (attempt > 0) usleep(200000);
        std::lock_guard<std::mutex> hold(keepersLock);
        keeper = fork();
        if (keeper == 0) runKeeper(pair[1], referee);
        if (keeper > 0) keepers.push_back(keeper);
        if (keeper < 0 && errno != EAGAIN) break;
    }
    close(pair[1]);
    if (keeper < 0) {
        const int error = errno;
        close(pair[0]);
        errno = error;
        return false;
    }
    sock = pair[0];
    return true;
}

bool KeeperLink::send(const std::string& request, const int fds[3]) {
    iovec iov{const_cast<char*>(request.data()), request.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(3 * sizeof(int))] = {};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(3 * sizeof(int));
    std::memcpy(CMSG_DATA(c), fds, 3 * sizeof(int));
    ssize_t put;
    while ((put = sendmsg(sock, &msg, MSG_NOSIGNAL)) < 0 && errno == EINTR) {
    }
    return put == static_cast<ssize_t>(request.size());
}

void KeeperLink::end(bool sweep) {
    if (keeper < 0) return;
    close(sock);
    kill(keeper, SIGKILL);  // with no turn running it has nothing to clean up
    int status;
    while (waitpid(keeper, &status, __WALL) < 0 && errno == EINTR) {
    }
    std::lock_guard<std::mutex> hold(keepersLock);
    keepers.erase(std::find(keepers.begin(), keepers.end(), keeper));
    if (sweep) sweepChildren(keepers.data(), static_cast<int>(keepers.size()), nullptr, nullptr);
    keeper = -1;
    sock = -1;
}

enum class Read { Message, Closed, NotYet };

// Reads one message of the keeper (each is sent in one piece): Closed when the keeper is
// gone, NotYet when none is there.
Read readMessage(int fd, KeeperMessage& m) {
    ssize_t got;
    while ((got = recv(fd, &m, sizeof m, MSG_DONTWAIT)) < 0 && errno == EINTR) {
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

}  // namespace

namespace {

// The running turn, seen from the referee: input fed, output and error collected, until
// the keeper says the player has ended (it has then cleared the turn), the deadline passes,
// the answer is too long or a stop is requested; then the keeper clears the turn.
class Exchange {
  public:
    Exchange(const RunRequest& request, Pipes& pipes, Clock::time_point start, RunResult& result)
        : request(request), p(pipes), start(start), result(result) {}

    void run();
    // Ends the turn: nothing of it is left afterwards; sets how the player ended.
    void finish();

  private:
    bool feedInput();  // one write of what is left; false once the input is closed
    void takeOutput();
    void takeMessage();
    void markAnswered();
    int pollWait(Clock::time_point deadline) const;
    // Ends the turn early and waits for the keeper to have cleared it; false when the
    // keeper had to be given up (stopped, or stuck).
    bool endEarly();
    void setEnd();

    const RunRequest& request;
    Pipes& p;
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

void Exchange::takeMessage() {
    KeeperMessage m;
    const Read got = readMessage(link.socket(), m);
    if (got == Read::NotYet) return;
    if (got == Read::Closed)
        keeperLost = true;  // the keeper was killed (by the player, say)
    else if (m.kind == KeeperMessage::StartFailed)
        result.error = startFailure(request, m);
    else
        waitStatus = m.value;
    ended = true;
    // What the player wrote before it ended is in the pipes; what its leftovers may still
    // have written is not its answer.
    if (p.out.fd[0] >= 0) takeOutput();
    if (p.err.fd[0] >= 0) readSome(p.err.fd[0], result.err, request.keep, result.errCut);
    markAnswered();
}

void Exchange::run() {
    for (int fd : {p.in.fd[1], p.out.fd[0], p.err.fd[0]}) setNonBlocking(fd);
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
        const int iKeeper = n;
        fds[n++] = {link.socket(), POLLIN, 0};
        if (stopPipe[0] >= 0) fds[n++] = {stopPipe[0], POLLIN, 0};
        if (poll(fds, n, pollWait(deadline)) <= 0) continue;  // timeout, EINTR: look again
        if (iIn >= 0 && fds[iIn].revents) feedInput();
        if (iOut >= 0 && fds[iOut].revents) takeOutput();
        if (iErr >= 0 && fds[iErr].revents &&
            !readSome(p.err.fd[0], result.err, request.keep, result.errCut))
            p.err.close(0);
        if (fds[iKeeper].revents) takeMessage();
    }
}

bool Exchange::endEarly() {
    link.endTurn();
    siginfo_t stopped{};
    if (waitid(P_PID, static_cast<id_t>(link.pid()), &stopped,
               WSTOPPED | WNOHANG | WNOWAIT | __WALL) == 0 &&
        stopped.si_pid == link.pid())
        return false;  // stopped (by the player): it cannot clear the turn
    const Clock::time_point give =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(kKeeperGraceSeconds));
    for (;;) {
        pollfd keeper{link.socket(), POLLIN, 0};
        if (poll(&keeper, 1, pollWait(give)) == 0 || Clock::now() >= give) return false;
        KeeperMessage m;
        const Read got = readMessage(link.socket(), m);
        if (got != Read::NotYet) return got == Read::Message;
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
    if (keeperLost || (!ended && !endEarly())) link.lose();
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

void endKeeper() {
    link.retire();
}

namespace {

// Sends the turn to this thread's keeper, starting one if there is none (or the one there
// was is gone). The error text, or empty.
std::string sendTurn(const RunRequest& request, const std::string& turn, Pipes& pipes,
                     Clock::time_point& start) {
    const int fds[3] = {pipes.in.fd[0], pipes.out.fd[1], pipes.err.fd[1]};
    for (int attempt = 0; attempt < 2; attempt++) {
        if (!link.ready()) return std::string("fork: ") + std::strerror(errno);
        start = Clock::now();
        if (link.send(turn, fds)) return "";
        link.lose();  // killed between turns
    }
    return "cannot run " + request.argv[0] + ": its keeper process is gone";
}

}  // namespace

RunResult runProcess(const RunRequest& request) {
    prepareOnce();
    RunResult result;
    KeeperRequest header;
    header.dropUser = request.dropUser;
    header.uid = request.uid;
    header.gid = request.gid;
    const std::optional<std::string> turn = keeperRequest(request.argv, request.dir, header);
    if (!turn) {
        result.error = request.argv.empty() ? "empty command"
                                            : "the command line holds a NUL byte, or is longer "
                                              "than 64 KiB or 4096 words";
        return result;
    }
    Pipes pipes;
    if (!pipes.open()) {
        result.error = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    Clock::time_point start;
    result.error = sendTurn(request, *turn, pipes, start);
    if (!result.error.empty()) return result;
    pipes.in.close(0);
    pipes.out.close(1);
    pipes.err.close(1);
    Exchange exchange(request, pipes, start, result);
    exchange.run();
    exchange.finish();
    return result;
}

}  // namespace referee
