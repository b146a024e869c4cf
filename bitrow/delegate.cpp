#include "bitrow/delegate.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace bitrow::BITROW_NS {

namespace {

// In the child: the pipe's read end becomes standard input and the wider build replaces
// this process. Returns only when the program could not be executed.
void becomeWiderBuild(int n, const int fds[2]) {
    const char* path = n > middleRowLimit ? "support/shover20" : "support/shover16";
    if (fds[0] != STDIN_FILENO) {
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
    }
    close(fds[1]);
    execl(path, path, static_cast<char*>(nullptr));
}

// In the parent: the size line and every unread byte of standard input into the pipe, then
// the write end closed, so that the child sees the end of its input.
void feedChild(int n, int writeEnd) {
    // A child that stops reading early must not kill us with SIGPIPE: the write fails
    // instead, the copy stops, and we still report the child's status.
    std::signal(SIGPIPE, SIG_IGN);
    std::FILE* out = fdopen(writeEnd, "w");
    if (!out) {
        close(writeEnd);
        return;
    }
    std::fprintf(out, "%d\n", n);
    for (int c; (c = std::getc(stdin)) != EOF;)
        if (std::putc(c, out) == EOF) break;
    std::fclose(out);
}

// Waits for the child and ends the process with its exit code, or 128 + the signal number
// that killed it.
[[noreturn]] void exitAsChild(pid_t child) {
    int status = 0;
    pid_t done;
    while ((done = waitpid(child, &status, 0)) < 0 && errno == EINTR) {
    }
    if (done < 0) std::exit(1);
    if (WIFEXITED(status)) std::exit(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) std::exit(128 + WTERMSIG(status));
    std::exit(1);
}

}  // namespace

void delegate(int n) {
    int fds[2];
    if (pipe(fds) != 0) return;
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return;
    }
    if (child == 0) {
        becomeWiderBuild(n, fds);
        return;
    }
    close(fds[0]);
    feedChild(n, fds[1]);
    exitAsChild(child);
}

}  // namespace bitrow::BITROW_NS
