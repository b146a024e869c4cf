/* A hostile stand-in player for the referee's tests: it reads the game (bit-row input),
 * misbehaves in one chosen way, and answers with a move of this N drawn from a hash of its
 * input, so that games go on. Every process of it limits itself: 20 s of life (alarm, set
 * again in each child), 512 MiB of address space, a bounded number of children.
 * Usage: hostile MODE [ARG...]; pid files get one process id per line, appended. */
#include <arpa/inet.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

static char input[1 << 16];
static size_t inputSize;

static void limitSelf(long memoryMiB) {
    alarm(20);
    struct rlimit as = {(rlim_t)memoryMiB << 20, (rlim_t)memoryMiB << 20};
    setrlimit(RLIMIT_AS, &as);
}

static void readInput(void) {
    for (ssize_t got; (got = read(0, input + inputSize, sizeof input - inputSize)) > 0;)
        inputSize += (size_t)got;
}

static void answer(void) {
    uint64_t h = 1469598103934665603ull;
    int n = atoi(input);
    for (size_t i = 0; i < inputSize; i++) h = (h ^ (unsigned char)input[i]) * 1099511628211ull;
    h ^= h >> 29;
    if (n < 1 || n > 20) n = 1;
    printf("%c%d\n", "LRTB"[h & 3], (int)(1 + (h >> 2) % (uint64_t)n));
    fflush(stdout);
}

static void recordPid(const char* file, pid_t pid) {
    char line[32];
    int fd = open(file, O_WRONLY | O_CREAT | O_APPEND, 0644);
    int len = snprintf(line, sizeof line, "%d\n", (int)pid);
    if (fd >= 0 && write(fd, line, (size_t)len) != len) perror(file);
    if (fd >= 0) close(fd);
}

/* A child that lives on: in a session or group of its own (or not), its pid recorded
 * before the parent goes on, standard output kept open. Returns in the parent only. */
static pid_t leaveChild(const char* pidFile, int how, unsigned seconds) {
    int recorded[2];
    if (pipe(recorded) != 0) exit(3);
    pid_t pid = fork();
    if (pid == 0) {
        alarm(20);
        if (how == 's') setsid();
        if (how == 'g') setpgid(0, 0);
        recordPid(pidFile, getpid());
        close(recorded[1]); /* the parent's read sees the end */
        close(recorded[0]);
        sleep(seconds);
        _exit(0);
    }
    close(recorded[1]);
    char c;
    while (read(recorded[0], &c, 1) > 0) {
    }
    close(recorded[0]);
    return pid;
}

/* A grandchild that outlives its parent, which ends at once (a double fork). */
static void doubleFork(const char* pidFile, unsigned seconds) {
    pid_t child = fork();
    if (child == 0) {
        leaveChild(pidFile, 's', seconds);
        _exit(0);
    }
    waitpid(child, NULL, 0);
}

static void report(const char* what, int ok) {
    fprintf(stderr, "%s: %s%s%s\n", what, ok ? "ok" : "failed", ok ? "" : " ",
            ok ? "" : strerror(errno));
}

static int readable(const char* path) {
    char buf[64];
    int fd = open(path, O_RDONLY);
    if (fd < 0) return 0;
    ssize_t got = read(fd, buf, sizeof buf);
    close(fd);
    return got >= 0;
}

/* Every "-o FILE" on the command line of a process it can see, read if it can be. */
static void hunt(void) {
    DIR* d = opendir("/proc");
    int found = 0;
    for (struct dirent* e; d && (e = readdir(d));) {
        char path[300], args[4096];
        snprintf(path, sizeof path, "/proc/%s/cmdline", e->d_name);
        int fd = open(path, O_RDONLY);
        if (fd < 0) continue;
        ssize_t got = read(fd, args, sizeof args - 1);
        close(fd);
        args[got > 0 ? got : 0] = 0;
        for (ssize_t at = 0; at < got; at += (ssize_t)strlen(args + at) + 1) {
            if (strcmp(args + at, "-o") == 0 && at + 3 < got && readable(args + at + 3)) found = 1;
        }
    }
    if (d) closedir(d);
    fprintf(stderr, "hunt for the record: %s\n", found ? "read" : "nothing");
}

static void writeFile(const char* what, const char* path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    report(what, fd >= 0 && write(fd, "x\n", 2) == 2);
    if (fd >= 0) close(fd);
}

/* What an untrusted player should not be able to do; each attempt is reported. */
static void attack(const char* record, const char* outside, int port, pid_t referee) {
    report("read the record", readable(record));
    hunt();
    writeFile("write outside", outside);
    writeFile("write its folder", "hostile-was-here");
    fprintf(stderr, "temporary file of an earlier turn: %s\n",
            access("/tmp/hostile-tmp", F_OK) == 0 ? "there" : "gone");
    writeFile("write its temporary folder", "/tmp/hostile-tmp");
    struct sockaddr_in to = {0};
    to.sin_family = AF_INET;
    to.sin_port = htons((uint16_t)port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int s = socket(AF_INET, SOCK_STREAM, 0);
    report("connect to 127.0.0.1", s >= 0 && connect(s, (struct sockaddr*)&to, sizeof to) == 0);
    if (s >= 0) close(s);
    report("see the referee", kill(referee, 0) == 0);
}

/* The descriptors it has, on standard error. */
static void listDescriptors(void) {
    DIR* d = opendir("/proc/self/fd");
    fprintf(stderr, "fds:");
    for (struct dirent* e; d && (e = readdir(d));)
        if (e->d_name[0] != '.' && atoi(e->d_name) != dirfd(d)) fprintf(stderr, " %s", e->d_name);
    fprintf(stderr, "\n");
    if (d) closedir(d);
}

static int forkMany(int count) {
    for (int i = 0; i < count; i++) {
        pid_t pid = fork();
        if (pid == 0) {
            alarm(20);
            sleep(2);
            _exit(0);
        }
        if (pid < 0) return fprintf(stderr, "fork failed after %d: %s\n", i, strerror(errno)), 0;
    }
    return 1;
}

static int useMemory(long mib) {
    char* p = malloc((size_t)mib << 20);
    if (!p) return fprintf(stderr, "out of memory at %ld MiB\n", mib), 0;
    memset(p, 1, (size_t)mib << 20);
    return 1;
}

/* Runs the mode; false when it gives up without answering. */
static int misbehave(const char* mode, int argc, char** argv) {
    const char* arg = argc > 2 ? argv[2] : "/dev/null";
    if (strcmp(mode, "setsid-child") == 0) return leaveChild(arg, 's', 30), 1;
    if (strcmp(mode, "setpgid-child") == 0) return leaveChild(arg, 'g', 30), 1;
    if (strcmp(mode, "double-fork") == 0) return doubleFork(arg, 30), 1;
    if (strcmp(mode, "orphan-exits") == 0) return doubleFork(arg, 0), usleep(300000), 1;
    if (strcmp(mode, "linger") == 0) {
        recordPid(arg, getpid());
        leaveChild(arg, 's', 30);
        pause();
    }
    if (strcmp(mode, "kill-keeper") == 0) {
        leaveChild(arg, 's', 30);
        kill(getppid(), SIGKILL);
        pause();
    }
    if (strcmp(mode, "stop-keeper") == 0) return kill(getppid(), SIGSTOP), 1;
    if (strcmp(mode, "signal-parent") == 0) {
        pid_t parent = getppid();
        kill(parent, SIGTERM);
        kill(parent, SIGKILL);
        usleep(100000);
        fprintf(stderr, "parent after SIGTERM and SIGKILL: %s\n",
                getppid() == parent && kill(parent, 0) == 0 ? "still there" : "gone");
        return 1;
    }
    if (strcmp(mode, "attack") == 0 && argc > 5)
        return attack(argv[2], argv[3], atoi(argv[4]), (pid_t)atoi(argv[5])), 1;
    if (strcmp(mode, "fds") == 0) return listDescriptors(), 1;
    if (strcmp(mode, "fork-many") == 0) return forkMany(atoi(arg));
    if (strcmp(mode, "memory") == 0) return useMemory(atol(arg));
    if (strcmp(mode, "close-stdin") == 0) return 1;
    fprintf(stderr, "unknown mode %s\n", mode);
    return 0;
}

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    limitSelf(strcmp(mode, "memory") == 0 ? 4096 : 512);
    if (strcmp(mode, "close-stdin") == 0)
        close(0);
    else
        readInput();
    if (strcmp(mode, "binary") == 0) {
        for (int i = 0; i < 1024; i++) putchar(i & 255);
        return 0;
    }
    if (!misbehave(mode, argc, argv)) return 1;
    answer();
    return 0;
}
