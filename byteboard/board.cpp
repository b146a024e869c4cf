#include "byteboard/board.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace byteboard::BYTEBOARD_NS {

namespace {

void* plainrealloc(void* old, std::size_t bytes) {
    return std::realloc(old, bytes);
}

void outofmemory() {
    std::fputs("out of memory\n", stderr);
    std::exit(1);
}

// Rescores the line of N cells starting at first, stride cells apart, into line, and
// corrects the record's totals and straight counts by the difference.
void rescore(posrec& rec, linescore& line, const uint8_t* first, int stride) {
    int32_t xs = 0, os = 0, xrun = 0, orun = 0;
    for (int i = 0; i < N; i++) {
        uint8_t c = first[i * stride];
        if (c == 1) {
            xrun++;
            orun = 0;
            xs += xrun * xrun;
        } else if (c == 2) {
            orun++;
            xrun = 0;
            os += orun * orun;
        }
    }
    rec.xstraights -= line.xfull;
    rec.ostraights -= line.ofull;
    line.xfull = xs == sumsize;
    line.ofull = os == sumsize;
    rec.xstraights += line.xfull;
    rec.ostraights += line.ofull;

    rec.xtotal -= line.xscore;
    rec.ototal -= line.oscore;
    line.xscore = xs;
    line.oscore = os;
    rec.xtotal += xs;
    rec.ototal += os;
}

// Doubles the capacity of hist; on failure hands over to growfailed.
void grow() {
    if (hmax <= INT32_MAX / 2) {
        int32_t more = hmax * 2;
        void* p = histrealloc(hist, static_cast<std::size_t>(more) * sizeof(posrec));
        if (p) {
            hist = static_cast<posrec*>(p);
            hmax = more;
            return;
        }
    }
    hno--;
    growfailed();
    std::abort();  // growfailed must not return: there is no record to play the move into
}

}  // namespace

posrec* hist = nullptr;
int32_t hno = 0;
int32_t hmax = 0;
int32_t sumsize = 0;
uint8_t changed[N];

void* (*histrealloc)(void* old, std::size_t bytes) = plainrealloc;
void (*growfailed)() = outofmemory;

bool inithist() {
    if (!hist) {
        void* p = histrealloc(nullptr, 50 * sizeof(posrec));
        if (!p) return false;
        hist = static_cast<posrec*>(p);
        hmax = 50;
    }
    hno = 0;
    std::memset(&hist[0], 0, sizeof(posrec));
    sumsize = 0;
    for (int k = 1; k <= N; k++) sumsize += k * k;
    return true;
}

void computerow(posrec& rec, int r) {
    rescore(rec, rec.row[r], &rec.cell[r * N], 1);
}

void computecol(posrec& rec, int c) {
    rescore(rec, rec.col[c], &rec.cell[c], N);
}

void domove(char side, int32_t pos, int32_t player) {
    // The first visited cell and the step to the next one.
    int first, step;
    switch (side) {
        case 'T':
            first = pos;
            step = N;
            break;
        case 'B':
            first = (N - 1) * N + pos;
            step = -N;
            break;
        case 'L':
            first = pos * N;
            step = 1;
            break;
        case 'R':
            first = pos * N + N - 1;
            step = -1;
            break;
        default:
            std::fprintf(stderr, "huh '%c'\n", side);
            std::exit(1);
    }
    bool vertical = side == 'T' || side == 'B';

    hno++;
    if (hno >= hmax) grow();
    posrec& rec = hist[hno];
    rec = hist[hno - 1];
    if (player == 1)
        rec.xpieces++;
    else
        rec.opieces++;

    // Walk the line carrying the mover's piece; the first empty cell absorbs the push.
    uint8_t carried = static_cast<uint8_t>(player);
    uint8_t old = 0;
    int steps = 0;
    while (steps < N) {
        uint8_t& c = rec.cell[first + steps * step];
        old = c;
        changed[steps] = old != carried;
        c = carried;
        steps++;
        if (old == 0) break;
        carried = old;
    }
    // A full line: the piece that was in the last cell has left the board.
    if (old == 1) rec.xpieces--;
    if (old == 2) rec.opieces--;

    // Only the crossing lines whose cell changed need new scores, then the pushed line.
    for (int i = 0; i < steps; i++) {
        if (!changed[i]) continue;
        int k = first + i * step;
        if (vertical)
            computerow(rec, k / N);
        else
            computecol(rec, k % N);
    }
    if (vertical)
        computecol(rec, pos);
    else
        computerow(rec, pos);
}

}  // namespace byteboard::BYTEBOARD_NS
