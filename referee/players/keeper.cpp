#include "referee/players/keeper.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

#include "referee/players/descendants.h"

namespace referee {

namespace {

// The keeper's own descriptors once it has set them in place; 0, 1 and 2 are the
// player's standard input, output and error until the player has started.
constexpr int kControl = 3, kStatus = 4;

volatile sig_atomic_t keeperSignalled = 0;  // SIGHUP (the referee died) or SIGTERM
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

// The player's pipes on 0, 1 and 2, the keeper's on 3 and 4, nothing else open. Each is
// first copied above the range, so that none is overwritten before it has been moved.
void placeDescriptors(const KeeperPlan& k) {
    const int from[5] = {k.in, k.out, k.err, k.control, k.status};
    int high[5];
    for (int i = 0; i < 5; i++) high[i] = fcntl(from[i], F_DUPFD, 10);
    for (int i = 0; i < 5; i++) dup2(high[i], i);
    closeFrom(5);
}

// Signals are taken only inside ppoll: SIGCHLD for the player and the orphans it leaves,
// SIGHUP for the referee's death, SIGTERM to give up. Ctrl-C does not reach the keeper's
// own process group; a dead referee's pipe gives EPIPE, not a signal.
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
// handling, exactly 0, 1 and 2 open, its folder and user, then the program.
[[noreturn]] void execPlayer(const KeeperPlan& k, StartFailure& f) {
    setsid();
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    for (int s = 1; s < NSIG; s++) sigaction(s, &dfl, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    closeFrom(3);
    if (k.dir && chdir(k.dir) != 0) fail(f, FolderFailed);
    if (k.dropUser && (setgroups(0, nullptr) != 0 || setgid(k.gid) != 0 || setuid(k.uid) != 0))
        fail(f, UserFailed);
    execv(k.argv[0], k.argv);
    fail(f, ProgramFailed);
}

void send(int kind, int value, int error) {
    const KeeperMessage m{kind, value, error};
    while (write(kStatus, &m, sizeof m) < 0 && errno == EINTR) {
    }
}

struct Turn {
    pid_t player = -1;
    bool ended = false;
};

void onReaped(pid_t pid, int status, void* turn) {
    Turn& t = *static_cast<Turn*>(turn);
    if (pid != t.player || t.ended) return;
    t.ended = true;
    send(KeeperMessage::Ended, status, 0);
}

// Reaps every child that has ended: the player (told to the referee) and orphans.
void reapEnded(Turn& t) {
    int status;
    for (pid_t pid; (pid = waitpid(-1, &status, WNOHANG | __WALL)) > 0;) onReaped(pid, status, &t);
}

// Waits until the turn is over: the player has ended, the referee closes the control pipe
// (or dies), or a signal says to give up. Reaps as children end.
void keepTurn(const KeeperPlan& k, Turn& t, const sigset_t& waitMask) {
    for (;;) {
        reapEnded(t);
        if (t.ended || keeperSignalled || getppid() != k.referee) return;
        pollfd control{kControl, POLLIN, 0};
        if (ppoll(&control, 1, nullptr, &waitMask) > 0) return;  // end of file: over
    }
}

// One vfork: the keeper waits until the player has run its program or failed to.
pid_t vforkPlayer(const KeeperPlan& k, StartFailure& failure) {
    const pid_t pid = vfork();
    if (pid == 0) execPlayer(k, failure);
    return pid;
}

// Starts the player; its process id, or -1 with the reason told to the referee. Forks are
// tried again while the machine is short of processes for a moment.
pid_t startPlayer(const KeeperPlan& k) {
    StartFailure failure;
    pid_t pid = -1;
    for (int attempt = 0; attempt < 5; attempt++) {
        pid = vforkPlayer(k, failure);
        if (pid > 0 || errno != EAGAIN) break;
        const timespec pause{0, 200000000};
        nanosleep(&pause, nullptr);
    }
    const int error = pid < 0 ? errno : failure.error;
    for (int fd = 0; fd <= 2; fd++) close(fd);  // the player's ends are its own now
    if (pid > 0 && failure.what < 0) return pid;
    if (pid > 0) waitpid(pid, nullptr, __WALL);
    send(KeeperMessage::StartFailed, pid < 0 ? ProgramFailed : failure.what, error);
    return -1;
}

}  // namespace

[[noreturn]] void runKeeper(const KeeperPlan& k) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGHUP);
    if (getppid() != k.referee) _exit(0);  // the referee is gone already
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    sigset_t waitMask;
    setUpSignals(waitMask);
    placeDescriptors(k);
    Turn t;
    t.player = startPlayer(k);
    if (t.player < 0) _exit(0);
    keepTurn(k, t, waitMask);
    // The player's group first, at once, while its id is still the player's (it has not
    // been reaped); then every child, round after round. Mostly there is none left.
    if (!t.ended) kill(-t.player, SIGKILL);
    siginfo_t any{};
    if (waitid(P_ALL, 0, &any, WEXITED | WNOHANG | WNOWAIT | __WALL) == 0 || errno != ECHILD)
        sweepChildren(nullptr, 0, onReaped, &t);
    _exit(0);
}

}  // namespace referee
