// The push rules of board.h as inline functions, so that the search performs its moves
// without a call. Private to the engine's sources and its tests.
#pragma once

#include <cstring>

#include "bitrow/board.h"
#include "bitrow/history.h"

namespace bitrow::BITROW_NS {

// Byte b spread over a word: bit j of b becomes byte j (0 or 1). Adding the spread bytes of
// rows counts each column in its own byte.
inline constexpr auto spreadBits = [] {
    struct {
        std::uint64_t of[256];
    } t{};
    for (int b = 0; b < 256; b++)
        for (int j = 0; j < 8; j++)
            if (b >> j & 1) t.of[b] |= 1ull << (8 * j);
    return t;
}();

}  // namespace bitrow::BITROW_NS

namespace bitrow::BITROW_NS::pushes {

// Refusals of the game's first three moves for column pushes: they would give mirror
// images of positions that row pushes already reach.
inline bool openingRefuses(const RowMask* mover, const RowMask* opponent) {
    const std::uint32_t corners = sizes.topBit | 1;
    const int last = sizes.boardSize - 1;
    switch (history.histCount) {
        case 1:
            return true;
        case 2:
            return ((opponent[0] | opponent[last]) & corners) != 0;
        case 3: {
            const bool theirCorner = ((opponent[0] | opponent[last]) & corners) != 0;
            const bool myCorner = ((mover[0] | mover[last]) & corners) != 0;
            const std::uint32_t top = mover[0] | opponent[0];
            const std::uint32_t bottom = mover[last] | opponent[last];
            return theirCorner && myCorner && (top | bottom) == corners && top != 0 && bottom != 0;
        }
        default:
            return false;
    }
}

// The column pushes cell by cell as the rules state them, for applyMovePlain, which the tests
// hold the line pushes of applyMove to.

// A column push that gives exactly the position of a row push is refused. `first` is the
// row at the entry edge and `step` the direction into the board.
inline bool duplicateRefuses(int bit, const RowMask* mover, const RowMask* opponent, int first,
                             int step) {
    const std::uint32_t p = 1u << bit;
    std::uint32_t covered = sizes.fullMask;
    int row = first, scanned = 0;
    while (scanned < sizes.boardSize && (mover[row] & p)) {
        covered &= mover[row] | opponent[row];
        row += step;
        scanned++;
    }
    std::uint32_t stopRow = 0;  // the mover's pieces in the row where the scan stopped
    if (scanned < sizes.boardSize) {
        if (opponent[row] & p) return false;
        stopRow = mover[row];
    }
    covered &= stopRow;
    const std::uint32_t right = p - 1;
    const std::uint32_t left = sizes.fullMask & ~(p | right);
    return (covered & right) == right || (covered & left) == left;
}

// Walks the column from the entry edge, each cell taking the piece carried from the one
// before, until an empty cell absorbs the push or the carried piece leaves the board.
inline PushResult walkColumn(int bit, RowMask* mover, RowMask* opponent, int first, int step) {
    const std::uint32_t p = 1u << bit;
    std::uint32_t carryMover = p, carryOpponent = 0;
    int j = 0, row = first;
    while (j < sizes.boardSize) {
        const std::uint32_t oldMover = mover[row] & p, oldOpponent = opponent[row] & p;
        mover[row] = static_cast<RowMask>((mover[row] & ~p) | carryMover);
        opponent[row] = static_cast<RowMask>((opponent[row] & ~p) | carryOpponent);
        carryMover = oldMover;
        carryOpponent = oldOpponent;
        j++;
        row += step;
        if (!(oldMover | oldOpponent)) break;
    }
    return j == sizes.boardSize ? PushResult::pushedThrough : PushResult::pushed;
}

inline PushResult pushColumnPlain(int bit, RowMask* mover, RowMask* opponent, bool force, int first,
                                  int step) {
    if (!force) {
        if (history.histCount <= 3 && openingRefuses(mover, opponent)) return PushResult::refused;
        if (duplicateRefuses(bit, mover, opponent, first, step)) return PushResult::refused;
    }
    return walkColumn(bit, mover, opponent, first, step);
}

// A left push on one row, the mover's mask m and the opponent's o; returns 1 or 2.
[[gnu::always_inline]] inline PushResult shiftFromLeft(std::uint32_t& m, std::uint32_t& o) {
    const std::uint32_t empty = ~(m | o) & sizes.fullMask;
    if (!empty) {
        m = (m >> 1) | sizes.topBit;
        o >>= 1;
        return PushResult::pushedThrough;
    }
    // The first empty cell from column 1 is the highest empty bit: the cells left of it move
    // one bit down onto it, those right of it stay.
    const std::uint32_t stay = (1u << (31 - __builtin_clz(empty))) - 1;
    m = sizes.topBit | ((m & ~stay) >> 1) | (m & stay);
    o = ((o & ~stay) >> 1) | (o & stay);
    return PushResult::pushed;
}

// A right push on one row; returns 1 or 2.
[[gnu::always_inline]] inline PushResult shiftFromRight(std::uint32_t& m, std::uint32_t& o) {
    const std::uint32_t occupied = m | o;
    // The first empty cell from column N is the lowest empty bit, bit N for a full row.
    const std::uint32_t run = (~occupied & (occupied + 1)) - 1;
    if (run == sizes.fullMask) {
        m = ((m << 1) & sizes.fullMask) | 1;
        o = (o << 1) & sizes.fullMask;
        return PushResult::pushedThrough;
    }
    // The run moves one bit up onto the empty cell (adding a mask's part in the run shifts it
    // so), the rest stays.
    m += (m & run) + 1;
    o += o & run;
    return PushResult::pushed;
}

// Row r pushed by `shift` (shiftFromLeft or shiftFromRight) and written back.
template <PushResult (*shift)(std::uint32_t&, std::uint32_t&)>
[[gnu::always_inline]] inline PushResult pushRow(int r, RowMask* mover, RowMask* opponent) {
    std::uint32_t m = mover[r], o = opponent[r];
    const PushResult result = shift(m, o);
    mover[r] = static_cast<RowMask>(m);
    opponent[r] = static_cast<RowMask>(o);
    return result;
}

inline PushResult pushLeft(int r, RowMask* mover, RowMask* opponent, bool force) {
    if (!force && history.histCount == 1 && 2 * r >= sizes.boardSize) return PushResult::refused;
    return pushRow<shiftFromLeft>(r, mover, opponent);
}

inline PushResult pushRight(int r, RowMask* mover, RowMask* opponent, bool force) {
    if (!force && history.histCount == 1) return PushResult::refused;
    return pushRow<shiftFromRight>(r, mover, opponent);
}

// Column pushes on column masks: the cells of one column as a mask whose bit j is row j
// (types.h draws it). A push from the top enters at row 0, bit 0, and one from the bottom at
// row N-1, bit N-1, so a column's walk is a row push on its masks: from the right for the
// top, from the left for the bottom.

// The column mask of `rows` in the column of `bit`.
inline std::uint32_t columnOf(const RowMask* rows, int bit) {
#if BITROW_WORDS
    // The rows as the bytes of a word: bit `bit` of byte j, multiplied onto bit 56 + j.
    std::uint64_t w;
    std::memcpy(&w, rows, 8);
    return static_cast<std::uint32_t>(
        (((w >> bit) & 0x0101010101010101ull) * 0x0102040810204080ull) >> 56);
#else
    std::uint32_t m = 0;
    for (int j = 0; j < sizes.boardSize; j++) m |= ((rows[j] >> bit) & 1u) << j;
    return m;
#endif
}

// Transposes the 8 x 8 bit matrix held in a word: byte i, bit j goes to byte j, bit i.
inline std::uint64_t transpose8(std::uint64_t x) {
    std::uint64_t t;
    t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
    x ^= t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
    x ^= t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
    x ^= t ^ (t << 28);
    return x;
}

// The column masks of every column of `rows`: cols[a] for the column of bit a.
inline void columnsOf(const RowMask* rows, RowMask* cols) {
#if BITROW_WORDS
    // The rows as the bytes of a word, transposed: byte a holds the column of bit a.
    std::uint64_t w;
    std::memcpy(&w, rows, 8);
    w = transpose8(w);
    std::memcpy(cols, &w, 8);
#else
    for (int a = 0; a < rowLimit; a++) cols[a] = 0;
    for (int j = 0; j < sizes.boardSize; j++)
        for (std::uint32_t m = rows[j]; m; m &= m - 1)
            cols[__builtin_ctz(m)] = static_cast<RowMask>(cols[__builtin_ctz(m)] | (1u << j));
#endif
}

// The column of `bit` in `rows` changes from the column mask `before` to `after`.
inline void setColumn(RowMask* rows, int bit, std::uint32_t before, std::uint32_t after) {
#if BITROW_WORDS
    // The rows as the bytes of a word: the changed cells spread one to a byte, at `bit`.
    std::uint64_t w;
    std::memcpy(&w, rows, 8);
    w ^= spreadBits.of[before ^ after] << bit;
    std::memcpy(rows, &w, 8);
#else
    for (std::uint32_t d = before ^ after; d; d &= d - 1)
        rows[__builtin_ctz(d)] = static_cast<RowMask>(rows[__builtin_ctz(d)] ^ (1u << bit));
#endif
}

// The duplicate refusal of a push into the column of `bit`, whose masks are m (the mover's)
// and o, the rows being mover and opponent: the scan from the entry edge over the mover's
// pieces stops at an opponent's piece (never refused), an empty cell or past the far edge;
// refused when the rows it passed, all occupied, and the mover's row where it stopped cover
// every column on one side of this one.
template <bool top>
[[gnu::always_inline]] inline bool columnRefuses(int bit, std::uint32_t m, std::uint32_t o,
                                                 const RowMask* mover, const RowMask* opponent) {
    const int n = sizes.boardSize;
    const std::uint32_t p = 1u << bit, right = p - 1, left = sizes.fullMask & ~(p | right);
    // The mover's pieces from the edge: bits N and up of ~m are set, and m << (32 - N)
    // keeps bit N - 1 on top.
    const int scanned = top ? __builtin_ctz(~m) : __builtin_clz(~(m << (32 - n)));
    const int stop = top ? scanned : n - 1 - scanned;
    std::uint32_t covered = 0;  // no row where the scan stopped past the edge
    if (scanned < n) {
        if ((o >> stop) & 1) return false;
        covered = mover[stop];
    }
    for (int j = 0, r = top ? 0 : n - 1; j < scanned; j++, r += top ? 1 : -1)
        covered &= mover[r] | opponent[r];
    return (covered & right) == right || (covered & left) == left;
}

// The walk of a push into a column with masks m (the mover's) and o: pushedThrough when it
// ran through the whole column (the far cell was the first empty one, or none was).
template <bool top>
[[gnu::always_inline]] inline PushResult walkColumnMasks(std::uint32_t& m, std::uint32_t& o) {
    const std::uint32_t farCell = top ? sizes.topBit : 1u;
    const bool through = ((m | o | farCell) & sizes.fullMask) == sizes.fullMask;
    if constexpr (top)
        shiftFromRight(m, o);
    else
        shiftFromLeft(m, o);
    return through ? PushResult::pushedThrough : PushResult::pushed;
}

template <bool top>
inline PushResult pushColumn(int bit, RowMask* mover, RowMask* opponent, bool force) {
    // Only the game's first three moves have opening refusals.
    if (!force && history.histCount <= 3 && openingRefuses(mover, opponent))
        return PushResult::refused;
    const std::uint32_t m0 = columnOf(mover, bit), o0 = columnOf(opponent, bit);
    if (!force && columnRefuses<top>(bit, m0, o0, mover, opponent)) return PushResult::refused;
    std::uint32_t m = m0, o = o0;
    const PushResult result = walkColumnMasks<top>(m, o);
    setColumn(mover, bit, m0, m);
    setColumn(opponent, bit, o0, o);
    return result;
}

inline PushResult fromTop(int bit, RowMask* mover, RowMask* opponent, bool force) {
    return pushColumn<true>(bit, mover, opponent, force);
}

inline PushResult fromBottom(int bit, RowMask* mover, RowMask* opponent, bool force) {
    return pushColumn<false>(bit, mover, opponent, force);
}

[[gnu::always_inline]] inline PushResult apply(MoveIndex index, RowMask* mover, RowMask* opponent,
                                               bool force) {
    const int n = sizes.boardSize;
    if (index < n) return pushLeft(index, mover, opponent, force);
    if (index < 2 * n) return pushRight(index - n, mover, opponent, force);
    if (index < 3 * n) return fromTop(index - 2 * n, mover, opponent, force);
    return fromBottom(index - 3 * n, mover, opponent, force);
}

inline PushResult applyPlain(MoveIndex index, RowMask* mover, RowMask* opponent, bool force) {
    const int n = sizes.boardSize;
    if (index < n) return pushLeft(index, mover, opponent, force);
    if (index < 2 * n) return pushRight(index - n, mover, opponent, force);
    if (index < 3 * n) return pushColumnPlain(index - 2 * n, mover, opponent, force, 0, 1);
    return pushColumnPlain(index - 3 * n, mover, opponent, force, n - 1, -1);
}

}  // namespace bitrow::BITROW_NS::pushes
