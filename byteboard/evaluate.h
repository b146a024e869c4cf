// The static value of a byte-board position, read from the totals its record keeps, and the
// repetition test against the history that comes before it.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "byteboard/history.h"

namespace byteboard::BYTEBOARD_NS {

struct evalstate {
    int64_t nscore = 0;  // nodes valued in the current iteration; 0 after every completed one
};
extern evalstate evaluation;

// Static value of rec, the current record hist[hno], for player to move: +decided when it
// repeats an earlier position with the same side to move; otherwise +-decided when one side
// has more straights, else the run totals' difference plus the signed square of the piece
// difference; X's view, negated for O. Counts the node in nscore.
Score score(const posrec& rec, int32_t player);

// The steps of score, inline for the search.

// d * |d| for d from -ncells to ncells, at d + ncells: the piece term of the static value.
inline constexpr std::array<int32_t, 2 * ncells + 1> signedsquare = [] {
    std::array<int32_t, 2 * ncells + 1> t{};
    for (int32_t d = -ncells; d <= ncells; d++) t[d + ncells] = d * (d < 0 ? -d : d);
    return t;
}();

// The static value for player of a position with straights more straights of X than of O,
// totals more run score of X than of O, and d more X pieces than O pieces.
[[gnu::always_inline]] inline Score staticvalue(int32_t straights, int32_t totals, int32_t d,
                                                int32_t player) {
    Score v;
    if (straights > 0) {
        v = decided;
    } else if (straights < 0) {
        v = -decided;
    } else {
        v = totals + signedsquare[d + ncells];
    }
    return player == 1 ? v : -v;
}

// The first record from since on with the same side to move as record child.
inline int32_t firstrival(int32_t since, int32_t child) {
    return since + ((since ^ child) & 1);
}

// True when one of the records first, first + 2, ... before record child holds key.
[[gnu::always_inline]] inline bool keyfrom(uint64_t key, int32_t first, int32_t child) {
    for (int32_t i = first; i < child - 1; i += 2)
        if (history.hist[i].key == key) return true;
    return false;
}

// True when an earlier record with the same side to move, from since on, holds key; the
// records with fewer pieces than record child cannot repeat it.
[[gnu::always_inline]] inline bool keyseen(uint64_t key, int32_t since, int32_t child) {
    return keyfrom(key, firstrival(since, child), child);
}

// score without counting the node.
[[gnu::always_inline]] inline Score valueof(const posrec& rec, int32_t player) {
    // Only records with as many pieces can repeat rec: from rec.since on, same side to move.
    // A key that differs rules a record out; equal keys are confirmed on the cells.
    const uint64_t key = rec.key;
    for (int32_t i = rec.since + ((rec.since ^ history.hno) & 1); i < history.hno - 1; i += 2)
        if (history.hist[i].key == key &&
            std::memcmp(rec.cell, history.hist[i].cell, sizeof rec.cell) == 0)
            return decided;
    return staticvalue(rec.xstraights - rec.ostraights, rec.xtotal - rec.ototal,
                       rec.xpieces - rec.opieces, player);
}

// score, inline in the search.
[[gnu::always_inline]] inline Score value(const posrec& rec, int32_t player) {
    evaluation.nscore++;
    return valueof(rec, player);
}

}  // namespace byteboard::BYTEBOARD_NS
