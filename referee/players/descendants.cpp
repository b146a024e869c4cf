#include "referee/players/descendants.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace referee {

namespace {

// Appends the decimal digits of v to p; returns the new end.
char* putNumber(char* p, long v) {
    char digits[24];
    int n = 0;
    do digits[n++] = static_cast<char>('0' + v % 10);
    while ((v /= 10) > 0);
    while (n > 0) *p++ = digits[--n];
    return p;
}

char* putText(char* p, const char* s) {
    while (*s) *p++ = *s++;
    return p;
}

// The number a directory entry names, or -1 for any other name.
long entryNumber(const char* name) {
    long v = 0;
    if (!*name) return -1;
    for (; *name; name++) {
        if (*name < '0' || *name > '9' || v > 1 << 28) return -1;
        v = v * 10 + (*name - '0');
    }
    return v;
}

// Calls each(number, context) for every numbered entry of the folder; false when it cannot
// be read.
bool forEachNumberedEntry(const char* folder, void (*each)(long, void*), void* context) {
    const int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    alignas(dirent64) char buf[4096];
    for (ssize_t got; (got = getdents64(fd, buf, sizeof buf)) > 0;) {
        for (ssize_t at = 0; at < got;) {
            const dirent64* e = reinterpret_cast<const dirent64*>(buf + at);
            at += e->d_reclen;
            const long n = entryNumber(e->d_name);
            if (n > 0) each(n, context);
        }
    }
    close(fd);
    return true;
}

struct Listing {
    void (*found)(pid_t, void*);
    void* context;
};

// One thread's children file: process ids separated by blanks.
void listTaskChildren(long task, void* listing) {
    const Listing& l = *static_cast<const Listing*>(listing);
    char path[64];
    *putText(putNumber(putText(path, "/proc/self/task/"), task), "/children") = 0;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;  // the thread has ended
    char buf[4096];
    long pid = 0;
    for (ssize_t got; (got = read(fd, buf, sizeof buf)) > 0;) {
        for (ssize_t i = 0; i < got; i++) {
            if (buf[i] >= '0' && buf[i] <= '9') {
                pid = pid * 10 + (buf[i] - '0');
            } else if (pid > 0) {
                l.found(static_cast<pid_t>(pid), l.context);
                pid = 0;
            }
        }
    }
    if (pid > 0) l.found(static_cast<pid_t>(pid), l.context);
    close(fd);
}

// Without children files: every process whose parent (field 4 of its stat) is this one.
void checkParentOf(long pid, void* listing) {
    const Listing& l = *static_cast<const Listing*>(listing);
    char path[64];
    *putText(putNumber(putText(path, "/proc/"), pid), "/stat") = 0;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    char buf[512];
    const ssize_t got = read(fd, buf, sizeof buf - 1);
    close(fd);
    if (got <= 0) return;
    ssize_t at = got;  // after the last ')': the command name may hold anything
    while (at > 0 && buf[at - 1] != ')') at--;
    at += 3;  // ") S "
    long parent = 0;
    for (; at < got && buf[at] >= '0' && buf[at] <= '9'; at++) parent = parent * 10 + buf[at] - '0';
    if (parent == getpid()) l.found(static_cast<pid_t>(pid), l.context);
}

// The children not yet dealt with in one round of the sweep.
struct Round {
    const pid_t* spare;
    int spareCount;
    pid_t found[256];
    int count = 0;
};

void collect(pid_t pid, void* round) {
    Round& r = *static_cast<Round*>(round);
    for (int i = 0; i < r.spareCount; i++)
        if (r.spare[i] == pid) return;
    if (r.count < 256) r.found[r.count++] = pid;
}

}  // namespace

bool forEachChild(void (*found)(pid_t, void*), void* context) {
    Listing l{found, context};
    if (access("/proc/thread-self/children", F_OK) == 0)
        return forEachNumberedEntry("/proc/self/task", listTaskChildren, &l);
    return forEachNumberedEntry("/proc", checkParentOf, &l);
}

int sweepChildren(const pid_t* spare, int spareCount, void (*reaped)(pid_t, int, void*),
                  void* context) {
    int total = 0;
    for (;;) {
        Round r{spare, spareCount, {}, 0};
        if (!forEachChild(collect, &r)) return -1;
        // All of this round first, so that what they leave is there for the next one. A
        // child that cannot be killed (it changed its user) is not waited for.
        bool killed[256];
        for (int i = 0; i < r.count; i++) killed[i] = kill(r.found[i], SIGKILL) == 0;
        int reapedNow = 0;
        for (int i = 0; i < r.count; i++) {
            if (!killed[i]) continue;
            int status = 0;
            pid_t got;
            while ((got = waitpid(r.found[i], &status, __WALL)) < 0 && errno == EINTR) {
            }
            if (got <= 0) continue;
            reapedNow++;
            if (reaped) reaped(got, status, context);
        }
        total += reapedNow;
        if (reapedNow == 0) return total;  // none left, or only those beyond reach
    }
}

}  // namespace referee
