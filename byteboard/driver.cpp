#include "byteboard/driver.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace byteboard::BYTEBOARD_NS {

namespace {

// White space as scanf and strtol see it in the C locale.
bool space(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool digit(int c) {
    return c >= '0' && c <= '9';
}

bool writeall(int fd, const char* buf, int len) {
    while (len > 0) {
        ssize_t n = write(fd, buf, static_cast<size_t>(len));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buf += n;
        len -= static_cast<int>(n);
    }
    return true;
}

[[noreturn]] void answerpair(char dir, int32_t pos) {
    char buf[16];
    int len = formatanswer(dir, pos, buf);
    _exit(writeall(STDOUT_FILENO, buf, len) ? 0 : 1);
}

}  // namespace

bool scanmove(std::FILE* in, char* side, int* number) {
    int c = std::getc(in);
    if (c == EOF) return false;
    int d = std::getc(in);
    while (space(d)) d = std::getc(in);
    bool negative = d == '-';
    if (d == '-' || d == '+') d = std::getc(in);
    if (!digit(d)) {
        if (d != EOF) std::ungetc(d, in);
        return false;
    }
    // Magnitude up to INT_MAX, or INT_MAX + 1 for a negative number.
    long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    bool overflow = false;
    while (digit(d)) {
        if (!overflow) {
            value = value * 10 + (d - '0');
            overflow = value > limit;
        }
        d = std::getc(in);
    }
    // The "\n" of the pattern: skip every white-space character.
    while (space(d)) d = std::getc(in);
    if (d != EOF) std::ungetc(d, in);
    if (overflow) return false;
    *side = static_cast<char>(c);
    *number = static_cast<int>(negative ? -value : value);
    return true;
}

bool readmove(std::FILE* in, char* side, int* number) {
    return scanmove(in, side, number) && *number >= 1 && *number <= N;
}

int32_t replay(std::FILE* in) {
    int32_t player = 1;
    char side;
    int number;
    while (readmove(in, &side, &number)) {
        domove(side, number - 1, player);
        player = 3 - player;
    }
    return player;
}

unsigned timelimit(const char* arg) {
    if (!arg) return 28;
    const char* p = arg;
    while (space(static_cast<unsigned char>(*p))) p++;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') p++;
    unsigned long long value = 0;
    for (; digit(*p); p++) {
        value = value * 10 + static_cast<unsigned>(*p - '0');
        if (value > UINT_MAX) value = UINT_MAX + 1ull;  // saturate: beyond alarm's range
    }
    if (negative && value > 0) return 1;
    return value > UINT_MAX ? UINT_MAX : static_cast<unsigned>(value);
}

int formatanswer(char dir, int32_t pos, char* buf) {
    if (dir == 0) {
        dir = dirs[0];
        pos = 0;
    }
    int len = 0;
    buf[len++] = dir;
    long long number = static_cast<long long>(pos) + 1;
    if (number < 0) {
        buf[len++] = '-';
        number = -number;
    }
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0);
    while (n > 0) buf[len++] = digits[--n];
    buf[len++] = '\n';
    return len;
}

void answer() {
    sigset_t alarmset;
    sigemptyset(&alarmset);
    sigaddset(&alarmset, SIGALRM);
    sigprocmask(SIG_BLOCK, &alarmset, nullptr);
    answerpair(bestdir, bestpos);
}

void timeout(int) {
    answerpair(bestdir, bestpos);
}

void turn(unsigned limit, int32_t player) {
    growfailed = answer;
    struct sigaction sa = {};
    sa.sa_handler = timeout;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGALRM, &sa, nullptr);
    // The alarm may arrive blocked from the parent process; it must be able to end the turn.
    sigset_t alarmset;
    sigemptyset(&alarmset);
    sigaddset(&alarmset, SIGALRM);
    sigprocmask(SIG_UNBLOCK, &alarmset, nullptr);
    alarm(limit);
    computemove(&bestdir, &bestpos, player);
    answer();
}

}  // namespace byteboard::BYTEBOARD_NS
