#include "byteboard/search.h"

#include "byteboard/push.h"

#include <signal.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace byteboard::BYTEBOARD_NS {

namespace {

constexpr int32_t decided = 1000000;
constexpr int32_t decidedbound = 989999;
constexpr int32_t lowest = -2000000000;

// Writes the chosen move with the alarm blocked, so that the alarm handler, which prints
// the pair, never sees the side letter of one iteration with the position of another.
void publish(char* outdir, int32_t* outpos, char dir, int32_t pos) {
    sigset_t alarmset, old;
    sigemptyset(&alarmset);
    sigaddset(&alarmset, SIGALRM);
    sigprocmask(SIG_BLOCK, &alarmset, &old);
    *outdir = dir;
    *outpos = pos;
    sigprocmask(SIG_SETMASK, &old, nullptr);
}

// score, inline in the search.
[[gnu::always_inline]] inline int32_t value(const posrec& rec, int32_t player) {
    nscore++;
    // Only records with as many pieces can repeat rec: from rec.since on, same side to move.
    // A key that differs rules a record out; equal keys are confirmed on the cells.
    const uint64_t key = rec.key;
    for (int32_t i = rec.since + ((rec.since ^ hno) & 1); i < hno - 1; i += 2)
        if (hist[i].key == key && std::memcmp(rec.cell, hist[i].cell, sizeof rec.cell) == 0)
            return decided;
    int32_t v;
    if (rec.xstraights > rec.ostraights) {
        v = decided;
    } else if (rec.ostraights > rec.xstraights) {
        v = -decided;
    } else {
        int32_t d = rec.xpieces - rec.opieces;
        v = (rec.xtotal - rec.ototal) + d * std::abs(d);
    }
    return player == 1 ? v : -v;
}

// The moves of ab with side letter letter, positions 0..N-1, raising best; true at a
// cut-off (best reached beta).
template <char letter>
inline bool sidemoves(int32_t depth, int32_t player, int32_t beta, int32_t& best) {
    for (int32_t pos = 0; pos < N; pos++) {
        push<letter>(pos, player);
        // A child with no depth left is its static value: ab(0, ...) without the call.
        int32_t g =
            depth > 1 ? -ab(depth - 1, 3 - player, -beta, -best) : -value(hist[hno], 3 - player);
        if (g > best) best = g;
        hno--;
        if (best >= beta) return true;
    }
    return false;
}

}  // namespace

const char dirs[5] = "TRBL";
rootmove moves[4 * N];
rootmove nmoves[4 * N];
char bestdir = 0;
int32_t bestpos = 0;
int64_t nscore = 0;
void (*observer)(const iteration& it) = nullptr;
int32_t maxdepth = 999;

bool reset() {
    if (!inithist()) return false;
    bestdir = 0;
    bestpos = 0;
    nscore = 0;
    return true;
}

int32_t score(const posrec& rec, int32_t player) {
    return value(rec, player);
}

int32_t ab(int32_t depth, int32_t player, int32_t alpha, int32_t beta) {
    int32_t v = value(hist[hno], player);
    if (depth <= 0 || std::abs(v - depth) > decidedbound) return v - depth;
    int32_t best = alpha;
    // In the order of dirs, T, R, B, L; a cut-off skips the remaining moves.
    (void)(sidemoves<'T'>(depth, player, beta, best) || sidemoves<'R'>(depth, player, beta, best) ||
           sidemoves<'B'>(depth, player, beta, best) || sidemoves<'L'>(depth, player, beta, best));
    return best;
}

void computemove(char* outdir, int32_t* outpos, int32_t player) {
    int k = 0;
    for (int d = 0; d < 4; d++)
        for (int32_t pos = 0; pos < N; pos++) moves[k++] = {dirs[d], pos, 0};

    rootmove* current = moves;
    rootmove* next = nmoves;
    char dir = 0;
    int32_t pos = 0;
    for (int32_t depth = 3; depth <= maxdepth; depth++) {
        int32_t best = lowest;
        for (int j = 0; j < 4 * N; j++) {
            rootmove e = current[j];
            domove(e.dir, e.pos, player);
            // The child gets the iteration's depth: iteration d looks d + 1 plies ahead.
            int32_t f = -ab(depth, 3 - player, lowest, -best);
            if (f > best) {
                best = f;
                dir = e.dir;
                pos = e.pos;
                if (f > decidedbound) {
                    publish(outdir, outpos, dir, pos);
                    if (observer) observer({depth, best, nscore, dir, pos, true});
                    return;
                }
            }
            hno--;
            // Insert into the next list after the entries of equal or higher value.
            int i = j;
            while (i > 0 && next[i - 1].value < f) {
                next[i] = next[i - 1];
                i--;
            }
            next[i] = {e.dir, e.pos, f};
        }
        publish(outdir, outpos, dir, pos);
        if (observer) observer({depth, best, nscore, dir, pos, false});
        nscore = 0;
        std::swap(current, next);
    }
    publish(outdir, outpos, dir, pos);
}

}  // namespace byteboard::BYTEBOARD_NS
