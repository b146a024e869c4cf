#include "byteboard/notation.h"

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

// The number of "%d" from the character d on (white space already skipped): an optional
// sign and at least one digit. Leaves in d the first character after it; false when there
// is no digit (d then put back) or the number does not fit an int.
bool scandecimal(std::FILE* in, int& d, long long& value) {
    const bool negative = d == '-';
    if (d == '-' || d == '+') d = std::getc(in);
    if (!digit(d)) {
        if (d != EOF) std::ungetc(d, in);
        d = EOF;
        return false;
    }
    // Magnitude up to INT_MAX, or INT_MAX + 1 for a negative number.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    bool overflow = false;
    value = 0;
    while (digit(d)) {
        if (!overflow) {
            value = value * 10 + (d - '0');
            overflow = value > limit;
        }
        d = std::getc(in);
    }
    if (negative) value = -value;
    return !overflow;
}

void border(std::FILE* out) {
    std::fputs("                  +", out);
    for (int c = 0; c < N; c++) std::fputc('-', out);
    std::fputs("+\n", out);
}

}  // namespace

bool scanmove(std::FILE* in, char* side, int* number) {
    const int c = std::getc(in);
    if (c == EOF) return false;
    int d = std::getc(in);
    while (space(d)) d = std::getc(in);
    long long value = 0;
    const bool converted = scandecimal(in, d, value);
    // The "\n" of the pattern: skip every white-space character.
    while (space(d)) d = std::getc(in);
    if (d != EOF) std::ungetc(d, in);
    if (!converted) return false;
    *side = static_cast<char>(c);
    *number = static_cast<int>(value);
    return true;
}

bool readmove(std::FILE* in, char* side, int* number) {
    return scanmove(in, side, number) && *number >= 1 && *number <= N;
}

unsigned timelimit(const char* arg) {
    if (!arg) return budgetseconds;
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

void printboard(const posrec& rec, std::FILE* out) {
    border(out);
    for (int r = 0; r < N; r++) {
        const linescore& s = rec.row[r];
        std::fprintf(out, "%2d: %4d:%d/%4d:%d |", r + 1, s.xscore, s.xfull, s.oscore, s.ofull);
        for (int c = 0; c < N; c++) {
            uint8_t code = rec.cell[r * N + c];
            std::fprintf(out, "%c", code == 0 ? ' ' : code == 1 ? 'X' : 'O');
        }
        std::fputs("|\n", out);
    }
    border(out);
    std::fputs("                   ", out);
    for (int c = 1; c <= N; c++) std::fprintf(out, "%d", c % 10);
    std::fputs("\n\n", out);
    for (int c = 0; c < N; c++) {
        const linescore& s = rec.col[c];
        std::fprintf(out, "%2d: %4d:%d/%4d:%d\n", c + 1, s.xscore, s.xfull, s.oscore, s.ofull);
    }
    std::fprintf(out, "score x=%d:%d o=%d:%d\n", rec.xtotal, rec.xstraights, rec.ototal,
                 rec.ostraights);
}

}  // namespace byteboard::BYTEBOARD_NS
