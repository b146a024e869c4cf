// The push rules of board.h as inline functions, so that the search performs its moves
// without a call. Private to the engine's sources and its tests.
#pragma once

#include <cstring>

#include "bitrow/board.h"
#include "bitrow/history.h"

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

#if BITROW_WORDS
// The 8-bit build pushes columns a word at a time: a side's rows are the bytes of one
// 64-bit word, row r in byte r. A bottom push is a top push on the rows in reverse order.
constexpr std::uint64_t byteOnes = 0x0101010101010101ull;

inline std::uint64_t loadRows(const RowMask* rows) {
    std::uint64_t w;
    std::memcpy(&w, rows, 8);
    return w;
}

inline void storeRows(RowMask* rows, std::uint64_t w) {
    std::memcpy(rows, &w, 8);
}

// Rows N-1..0 to bytes 0..N-1, and back: the same mapping both ways.
inline std::uint64_t reverseRows(std::uint64_t w) {
    return __builtin_bswap64(w) >> (8 * (8 - sizes.boardSize));
}

// Bytes 0..k, for k from 0 to 7.
inline std::uint64_t bytesUpTo(int k) {
    return k >= 7 ? ~0ull : (1ull << (8 * (k + 1))) - 1;
}

// AND of the low bytes of w (bytes from `count` on taken as all ones).
inline std::uint32_t andOfBytes(std::uint64_t w, int count) {
    if (count < 8) w |= ~0ull << (8 * count);
    w &= w >> 32;
    w &= w >> 16;
    w &= w >> 8;
    return static_cast<std::uint32_t>(w & 0xff);
}

// The duplicate refusal of a push from the top of column `bit`, on words (rows of the
// mover in m, of the opponent in o).
[[gnu::always_inline]] inline bool topRefuses(int bit, std::uint64_t m, std::uint64_t o) {
    const std::uint32_t p = 1u << bit, right = p - 1, left = sizes.fullMask & ~(p | right);
    if (!(m & p)) {
        // The scan stops at once: refused only into an empty edge cell whose row, the
        // mover's alone, covers one side of the column.
        if (o & p) return false;
        const std::uint32_t covered = static_cast<std::uint32_t>(m & 0xff);
        return (covered & right) == right || (covered & left) == left;
    }
    const int n = sizes.boardSize;
    const std::uint64_t col = (byteOnes << bit) & ~sizes.unusedRowBytes;
    // The scan from the edge stops at the first row the mover does not hold.
    const std::uint64_t notMine = ~m & col;
    const int i = notMine ? __builtin_ctzll(notMine) >> 3 : n;
    if (i < n && (o & notMine & (0xffull << (8 * i)))) return false;
    const std::uint32_t stopRow = i < n ? static_cast<std::uint32_t>((m >> (8 * i)) & 0xff) : 0;
    const std::uint32_t covered = andOfBytes(m | o, i) & sizes.fullMask & stopRow;
    return (covered & right) == right || (covered & left) == left;
}

// The walk of a push from the top of column `bit`, on words; returns 1 or 2.
[[gnu::always_inline]] inline PushResult walkTop(int bit, std::uint64_t& m, std::uint64_t& o) {
    const int n = sizes.boardSize;
    const std::uint64_t col = (byteOnes << bit) & ~sizes.unusedRowBytes;
    const std::uint64_t empty = ~(m | o) & col;
    const int last = empty ? __builtin_ctzll(empty) >> 3 : n - 1;  // the walk's last row
    const std::uint64_t walked = col & bytesUpTo(last);
    m = (m & ~walked) | ((m << 8) & walked) | (1ull << bit);
    o = (o & ~walked) | ((o << 8) & walked);
    return last == n - 1 ? PushResult::pushedThrough : PushResult::pushed;
}

// The duplicate refusal and the walk of a push from the top of column `bit`, on words.
[[gnu::always_inline]] inline PushResult pushTopWords(int bit, std::uint64_t& m, std::uint64_t& o,
                                                      bool force) {
    if (!force && topRefuses(bit, m, o)) return PushResult::refused;
    return walkTop(bit, m, o);
}

template <bool fromTop>
inline PushResult pushColumnWords(int bit, RowMask* mover, RowMask* opponent, bool force) {
    // Only the game's first three moves have opening refusals.
    if (!force && history.histCount <= 3 && openingRefuses(mover, opponent))
        return PushResult::refused;
    std::uint64_t m = loadRows(mover), o = loadRows(opponent);
    if constexpr (!fromTop) {
        m = reverseRows(m);
        o = reverseRows(o);
    }
    const PushResult result = pushTopWords(bit, m, o, force);
    if (result == PushResult::refused) return result;
    if constexpr (!fromTop) {
        m = reverseRows(m);
        o = reverseRows(o);
    }
    storeRows(mover, m);
    storeRows(opponent, o);
    return result;
}
#endif

// A left push on one row, the mover's mask m and the opponent's o; returns 1 or 2.
[[gnu::always_inline]] inline PushResult shiftFromLeft(std::uint32_t& m, std::uint32_t& o) {
    const std::uint32_t occupied = m | o;
    // The run of occupied cells from column 1 ends at the highest empty bit.
    const std::uint32_t empty = ~occupied & sizes.fullMask;
    if (!empty) {
        m = (m >> 1) | sizes.topBit;
        o >>= 1;
        return PushResult::pushedThrough;
    }
    const int s = 31 - __builtin_clz(empty) + 1;  // bit s-1 is the first empty cell
    const std::uint32_t stay = (1u << s) - 1;
    m = sizes.topBit | ((m >> s) << (s - 1)) | (m & stay);
    o = ((o >> s) << (s - 1)) | (o & stay);
    return PushResult::pushed;
}

// A right push on one row; returns 1 or 2.
[[gnu::always_inline]] inline PushResult shiftFromRight(std::uint32_t& m, std::uint32_t& o) {
    const std::uint32_t occupied = m | o;
    // Bits N and up are never occupied, so the run from column N stops by bit N.
    const int run = __builtin_ctz(~occupied);
    if (run == sizes.boardSize) {
        m = ((m << 1) & sizes.fullMask) | 1;
        o = (o << 1) & sizes.fullMask;
        return PushResult::pushedThrough;
    }
    const std::uint32_t low = (1u << run) - 1;  // the run
    m = (m & ~low) | ((m & low) << 1) | 1;
    o = (o & ~low) | ((o & low) << 1);
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

inline PushResult fromTop(int bit, RowMask* mover, RowMask* opponent, bool force) {
#if BITROW_WORDS
    return pushColumnWords<true>(bit, mover, opponent, force);
#else
    return pushColumnPlain(bit, mover, opponent, force, 0, 1);
#endif
}

inline PushResult fromBottom(int bit, RowMask* mover, RowMask* opponent, bool force) {
#if BITROW_WORDS
    return pushColumnWords<false>(bit, mover, opponent, force);
#else
    return pushColumnPlain(bit, mover, opponent, force, sizes.boardSize - 1, -1);
#endif
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
