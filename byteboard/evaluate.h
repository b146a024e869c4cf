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
// totals more run score of X than of O, and the piece term pieceterm (signedsquare of the
// number of X pieces less O pieces).
[[gnu::always_inline]] inline Score staticvalue(int32_t straights, int32_t totals,
                                                int32_t pieceterm, int32_t player) {
    Score v;
    if (straights > 0) {
        v = decided;
    } else if (straights < 0) {
        v = -decided;
    } else {
        v = totals + pieceterm;
    }
    return player == 1 ? v : -v;
}

// The records that can repeat a position: every other record from first on, count of them.
// Valid until hist grows.
struct rivals {
    const posrec* first;
    int32_t count;
};

// The rivals of record child whose since is since: the records from since on (the earlier
// ones hold fewer pieces) with the same side to move.
inline rivals rivalsof(int32_t since, int32_t child) {
    const int32_t first = since + ((since ^ child) & 1);
    const int32_t count = static_cast<int32_t>(static_cast<uint32_t>(child - first) / 2);
    // With none, first may lie beyond the stack (child need not have a record).
    return {history.hist + (count > 0 ? first : 0), count};
}

// True when one of the rivals r holds key.
[[gnu::always_inline]] inline bool keyheld(uint64_t key, rivals r) {
    for (int32_t k = 0; k < r.count; k++)
        if (r.first[2 * k].key == key) return true;
    return false;
}

// True when one of the rivals r holds the position with this key and these row codes. Equal
// row codes are equal cells (a row's code is its cells in base 3); a key that differs rules
// a record out without comparing them.
[[gnu::always_inline]] inline bool repeats(uint64_t key, const uint16_t* rowcode, rivals r) {
    for (int32_t k = 0; k < r.count; k++) {
        const posrec& rival = r.first[2 * k];
        if (rival.key == key && std::memcmp(rowcode, rival.rowcode, sizeof rival.rowcode) == 0)
            return true;
    }
    return false;
}

// score without counting the node.
[[gnu::always_inline]] inline Score valueof(const posrec& rec, int32_t player) {
    // Only records with as many pieces can repeat rec: from rec.since on, same side to move.
    if (repeats(rec.key, rec.rowcode, rivalsof(rec.since, history.hno))) return decided;
    return staticvalue(rec.xstraights - rec.ostraights, rec.xtotal - rec.ototal,
                       signedsquare[rec.xpieces - rec.opieces + ncells], player);
}

// score, inline in the search.
[[gnu::always_inline]] inline Score value(const posrec& rec, int32_t player) {
    evaluation.nscore++;
    return valueof(rec, player);
}

}  // namespace byteboard::BYTEBOARD_NS
