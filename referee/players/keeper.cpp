#include "referee/players/keeper.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>

#include "referee/players/descendants.h"

namespace referee {

std::optional<std::string> keeperRequest(const std::vector<std::string>& argv,
                                         const std::string& dir, const KeeperRequest& header) {
    if (argv.empty() || argv.size() > kMaxKeeperArgs) return std::nullopt;
    KeeperRequest h = header;
    h.argc = static_cast<uint32_t>(argv.size());
    std::string out(reinterpret_cast<const char*>(&h), sizeof h);
    out += dir;
    out += '\0';
    for (const std::string& a : argv) {
        if (a.find('\0') != std::string::npos) return std::nullopt;
        out += a;
        out += '\0';
    }
    if (out.size() > kMaxKeeperRequest) return std::nullopt;
    return out;
}

namespace {

// The keeper's socket once it is in place; 0, 1 and 2 are /dev/null, so that the pipe ends
// it receives land above them.
constexpr int kSocket = 3;

volatile sig_atomic_t keeperSignalled = 0;  // SIGHUP (the referee's thread died) or SIGTERM
void onSignal(int sig) {
    if (sig != SIGCHLD) keeperSignalled = 1;
}

void closeFrom(int first) {
    if (close_range(static_cast<unsigned>(first), ~0u, 0) == 0) return;
    rlimit files{};
    long last = getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < 65536
                    ? static_cast<long>(files.rlim_cur)
                    : 65536;
    for (long fd = first; fd < last; fd++) close(static_cast<int>(fd));
}

// /dev/null on 0, 1 and 2, the socket on 3, nothing else open (the referee's descriptors
// of the moment, other turns' pipes among them, are not the keeper's to hold).
void placeDescriptors(int socket) {
    const int high = fcntl(socket, F_DUPFD, 10), null = open("/dev/null", O_RDWR);
    if (high < 0 || null < 0) _exit(1);  // out of descriptors: the referee sees it lost
    for (int fd = 0; fd <= 2; fd++) dup2(null, fd);
    dup2(high, kSocket);
    closeFrom(kSocket + 1);
}

// Signals are taken only inside ppoll: SIGCHLD for the player and the orphans it leaves,
// SIGHUP for the referee's death, SIGTERM to give up. Ctrl-C does not reach the keeper's
// own process group; a dead referee's socket gives EPIPE, not a signal.
void setUpSignals(sigset_t& waitMask) {
    struct sigaction act {};
    act.sa_handler = onSignal;
    sigemptyset(&act.sa_mask);
    sigset_t taken;
    sigemptyset(&taken);
    for (int s : {SIGCHLD, SIGHUP, SIGTERM}) {
        sigaction(s, &act, nullptr);
        sigaddset(&taken, s);
    }
    act.sa_handler = SIG_IGN;
    for (int s : {SIGPIPE, SIGINT, SIGQUIT}) sigaction(s, &act, nullptr);
    sigprocmask(SIG_BLOCK, &taken, nullptr);
    sigemptyset(&waitMask);
}

// The turn being served: the request's bytes, its arguments in place, its three pipe ends.
// Static: the keeper allocates nothing.
char requestBytes[kMaxKeeperRequest];
struct Received {
    KeeperRequest header;
    const char* dir = nullptr;  // null: stay
    char* argv[kMaxKeeperArgs + 1];
    int fds[3] = {-1, -1, -1};
} turnIn;

void closeReceived() {
    for (int& fd : turnIn.fds) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}

// The header, the folder and the arguments of a request of `size` bytes, in place.
bool parseRequest(size_t size) {
    Received& r = turnIn;
    if (size < sizeof r.header) return false;
    std::memcpy(&r.header, requestBytes, sizeof r.header);
    if (r.header.argc < 1 || r.header.argc > kMaxKeeperArgs) return false;
    char* at = requestBytes + sizeof r.header;
    char* const end = requestBytes + size;
    char* words[kMaxKeeperArgs + 1];
    for (uint32_t i = 0; i <= r.header.argc; i++) {  // the folder, then the arguments
        char* nul = static_cast<char*>(std::memchr(at, 0, static_cast<size_t>(end - at)));
        if (!nul) return false;
        words[i] = at;
        at = nul + 1;
    }
    r.dir = *words[0] ? words[0] : nullptr;
    for (uint32_t i = 0; i < r.header.argc; i++) r.argv[i] = words[i + 1];
    r.argv[r.header.argc] = nullptr;
    return true;
}

enum class Got { Turn, Other, Gone };

// One message from the referee: a turn (with its pipe ends), anything else (an end of turn
// with no turn running, or a request it cannot read), or nothing more (the referee is gone).
Got receive() {
    iovec iov{requestBytes, sizeof requestBytes};
    alignas(cmsghdr) char control[CMSG_SPACE(3 * sizeof(int))];
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t got;
    while ((got = recvmsg(kSocket, &msg, MSG_CMSG_CLOEXEC)) < 0 && errno == EINTR) {
    }
    if (got <= 0) return Got::Gone;
    int n = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
        const int* fds = reinterpret_cast<const int*>(CMSG_DATA(c));
        const size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; i++) {
            if (n < 3)
                turnIn.fds[n++] = fds[i];
            else
                close(fds[i]);
        }
    }
    if (n == 3 && !(msg.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) &&
        parseRequest(static_cast<size_t>(got)))
        return Got::Turn;
    closeReceived();
    return Got::Other;
}

void send(int kind, int value, int error) {
    const KeeperMessage m{kind, value, error};
    while (::send(kSocket, &m, sizeof m, MSG_NOSIGNAL) < 0 && errno == EINTR) {
    }
}

// What the player's side of vfork tells the keeper (their memory is shared until exec).
struct StartFailure {
    volatile int what = -1;  // a KeeperFailure; -1: the program runs
    volatile int error = 0;
};

[[noreturn]] void fail(StartFailure& f, int what) {
    f.error = errno;
    f.what = what;
    _exit(127);
}

// The player's side: a session of its own, killed when its keeper dies, default signal
// handling, its pipes as exactly 0, 1 and 2, its folder and user, then the program.
[[noreturn]] void execPlayer(StartFailure& f) {
    const Received& r = turnIn;
    setsid();
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    for (int s = 1; s < NSIG; s++) sigaction(s, &dfl, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int fd = 0; fd <= 2; fd++) dup2(r.fds[fd], fd);  // all above 3: none overwritten
    closeFrom(3);
    if (r.dir && chdir(r.dir) != 0) fail(f, FolderFailed);
    if (r.header.dropUser &&
        (setgroups(0, nullptr) != 0 || setgid(r.header.gid) != 0 || setuid(r.header.uid) != 0))
        fail(f, UserFailed);
    execv(r.argv[0], r.argv);
    fail(f, ProgramFailed);
}

// One vfork: the keeper waits until the player has run its program or failed to.
pid_t vforkPlayer(StartFailure& failure) {
    const pid_t pid = vfork();
    if (pid == 0) execPlayer(failure);
    return pid;
}

// Starts the player of the turn received; its process id, or -1 with the reason told to the
// referee. Forks are tried again while the machine is short of processes for a moment.
pid_t startPlayer() {
    StartFailure failure;
    pid_t pid = -1;
    for (int attempt = 0; attempt < 5; attempt++) {
        pid = vforkPlayer(failure);
        if (pid > 0 || errno != EAGAIN) break;
        usleep(200000);  // a fifth of a second
    }
    const int error = pid < 0 ? errno : failure.error;
    closeReceived();  // the player's ends are its own now
    if (pid > 0 && failure.what < 0) return pid;
    if (pid > 0) waitpid(pid, nullptr, __WALL);
    send(KeeperMessage::StartFailed, pid < 0 ? ProgramFailed : failure.what, error);
    return -1;
}

struct Turn {
    pid_t player = -1;
    bool ended = false;
    int status = 0;
};

void onReaped(pid_t pid, int status, void* turn) {
    Turn& t = *static_cast<Turn*>(turn);
    if (pid != t.player || t.ended) return;
    t.ended = true;
    t.status = status;
}

// Reaps every child that has ended: the player and the orphans it left.
void reapEnded(Turn& t) {
    int status;
    for (pid_t pid; (pid = waitpid(-1, &status, WNOHANG | __WALL)) > 0;) onReaped(pid, status, &t);
}

bool refereeThere(pid_t referee) {
    return !keeperSignalled && getppid() == referee;
}

// Waits until the turn is over: the player has ended, or the referee ends the turn (or
// dies, or a signal says to give up). Reaps as children end.
void keepTurn(pid_t referee, Turn& t, const sigset_t& waitMask) {
    for (;;) {
        reapEnded(t);
        if (t.ended || !refereeThere(referee)) return;
        pollfd s{kSocket, POLLIN, 0};
        if (ppoll(&s, 1, nullptr, &waitMask) <= 0) continue;  // a signal: look again
        if (receive() != Got::Turn) return;  // the end of the turn, or of the referee
        closeReceived();                     // a turn sent in the middle of one: none
    }
}

// The turn's end: the player's group first, at once, while its id is still the player's
// (it has not been reaped), then every child, round after round. Mostly none is left.
void clearTurn(Turn& t) {
    if (!t.ended) kill(-t.player, SIGKILL);
    siginfo_t any{};
    if (waitid(P_ALL, 0, &any, WEXITED | WNOHANG | WNOWAIT | __WALL) == 0 || errno != ECHILD)
        sweepChildren(nullptr, 0, onReaped, &t);
}

// Waits for the next turn, passing over ends of turns already over; false when the referee
// is gone.
bool nextTurn(pid_t referee, const sigset_t& waitMask) {
    for (;;) {
        if (!refereeThere(referee)) return false;
        pollfd s{kSocket, POLLIN, 0};
        if (ppoll(&s, 1, nullptr, &waitMask) <= 0) continue;
        const Got got = receive();
        if (got == Got::Turn) return true;
        if (got == Got::Gone) return false;
    }
}

}  // namespace

[[noreturn]] void runKeeper(int socket, pid_t referee) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGHUP);
    if (getppid() != referee) _exit(0);  // the referee is gone already
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    sigset_t waitMask;
    setUpSignals(waitMask);
    placeDescriptors(socket);
    while (nextTurn(referee, waitMask)) {
        Turn t;
        t.player = startPlayer();
        if (t.player < 0) continue;
        keepTurn(referee, t, waitMask);
        clearTurn(t);
        send(KeeperMessage::Ended, t.status, 0);
    }
    _exit(0);
}

}  // namespace referee
