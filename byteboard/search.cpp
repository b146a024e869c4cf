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

// The static value for player of a position with these straights and totals and d more X
// pieces than O pieces.
inline int32_t staticvalue(int32_t xstraights, int32_t ostraights, int32_t xtotal, int32_t ototal,
                           int32_t d, int32_t player) {
    int32_t v;
    if (xstraights > ostraights) {
        v = decided;
    } else if (ostraights > xstraights) {
        v = -decided;
    } else {
        v = (xtotal - ototal) + d * std::abs(d);
    }
    return player == 1 ? v : -v;
}

// score without counting the node.
[[gnu::always_inline]] inline int32_t valueof(const posrec& rec, int32_t player) {
    // Only records with as many pieces can repeat rec: from rec.since on, same side to move.
    // A key that differs rules a record out; equal keys are confirmed on the cells.
    const uint64_t key = rec.key;
    for (int32_t i = rec.since + ((rec.since ^ hno) & 1); i < hno - 1; i += 2)
        if (hist[i].key == key && std::memcmp(rec.cell, hist[i].cell, sizeof rec.cell) == 0)
            return decided;
    return staticvalue(rec.xstraights, rec.ostraights, rec.xtotal, rec.ototal,
                       rec.xpieces - rec.opieces, player);
}

// score, inline in the search.
[[gnu::always_inline]] inline int32_t value(const posrec& rec, int32_t player) {
    nscore++;
    return valueof(rec, player);
}

// value(hist[hno], 3 - mover) right after push<side>(pos, mover), without the push: the
// child's totals, key, piece counts and since follow from the current record and the push
// table as push would compute them. Only when an earlier record holds the child's key is
// the child made, so that the cells can be compared.
template <char side>
[[gnu::always_inline]] inline int32_t childvalue(int32_t pos, int32_t mover) {
    constexpr bool vertical = side == 'T' || side == 'B';
    constexpr bool back = side == 'B' || side == 'R';
    const posrec& rec = hist[hno];
    const linescore* cross = vertical ? rec.row : rec.col;
    const uint16_t* crosscode = vertical ? rec.rowcode : rec.colcode;
    const linescore& own = vertical ? rec.col[pos] : rec.row[pos];
    const int32_t owncode = vertical ? rec.colcode[pos] : rec.rowcode[pos];
    const linepush& e = pushtable[mover - 1][back][owncode];
    const int32_t crossdigit = pow3[pos];
    lanes totals = load(&rec.xtotal);
    const uint64_t key = rec.key + keychange<vertical>(e, pos, owncode);
    for (unsigned m = e.changes; m; m &= m - 1) {
        const int x = __builtin_ctz(m);
        const int delta = e.delta[x];
        totals += load(&linetable[crosscode[x] + delta * crossdigit]) - load(&cross[x]);
    }
    totals += load(&linetable[e.code]) - load(&own);
    nscore++;
    const int32_t child = hno + 1;
    const int32_t since = e.out == 0 ? child : rec.since;
    for (int32_t i = since + ((since ^ child) & 1); i < child - 1; i += 2)
        if (hist[i].key == key) {
            push<side, false>(pos, mover);
            const int32_t v = valueof(hist[hno], 3 - mover);
            hno--;
            return v;
        }
    return staticvalue(totals[2], totals[3], totals[0], totals[1],
                       rec.xpieces - rec.opieces + e.piecediff, 3 - mover);
}

// The moves of ab with side letter letter, positions 0..N-1, raising best; true at a
// cut-off (best reached beta).
template <char letter>
inline bool sidemoves(int32_t depth, int32_t player, int32_t beta, int32_t& best) {
    for (int32_t pos = 0; pos < N; pos++) {
        int32_t g;
        if (depth > 1) {
            push<letter, false>(pos, player);
            g = -ab(depth - 1, 3 - player, -beta, -best);
            hno--;
        } else {
            // A child with no depth left is its static value: ab(0, ...) without the call.
            g = -childvalue<letter>(pos, player);
        }
        if (g > best) best = g;
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
