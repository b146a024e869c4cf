// Row pushes of the 8-bit build looked up instead of computed, for boards up to 7 x 7: a
// row is addressed by v = X's mask * 2^N + O's mask (its term in the position key), and the
// table gives the row's v after a left or a right push by either side. A column push is a
// row push on the column's masks (push.h), so the same entries serve it, addressed by its
// column masks. 2^14 entries of two bytes for each side and direction: 128 KiB of static
// storage, filled for the board size by the first search of a turn. Private to the search
// and its tests.
#pragma once

#include <cstdint>

#include "bitrow/push.h"

#if BITROW_WORDS
namespace bitrow::BITROW_NS::rowtable {

constexpr int largestN = 7;
constexpr int rowStates = 1 << (2 * largestN);

// entries[side][direction][v]: side 0 X pushes, 1 O; direction 0 left, 1 right.
inline std::uint16_t entries[2][2][rowStates];
// columnKeys[v]: a column's part of the key at its bit 0, v being X's column mask * 2^N +
// O's: the rows' weights of its X cells times 2^N plus those of its O cells.
inline std::uint32_t columnKeys[rowStates];
inline int filledFor;  // the N the entries hold, 0 for none

// Fills the entries for the current board size, unless they already hold it.
inline void fill() {
    const int n = sizes.boardSize;
    if (filledFor == n || n < 1 || n > largestN) return;
    const std::uint32_t rows = 1u << (2 * n);
    for (std::uint32_t v = 0; v < rows; v++) {
        const std::uint32_t x = v >> n, o = v & sizes.fullMask;
        if (x & o) continue;  // no cell holds both sides
        columnKeys[v] = (rowsWeight(x) << n) + rowsWeight(o);
        for (int side = 0; side < 2; side++)
            for (int direction = 0; direction < 2; direction++) {
                std::uint32_t m = side == 0 ? x : o, t = side == 0 ? o : x;
                if (direction == 0)
                    pushes::shiftFromLeft(m, t);
                else
                    pushes::shiftFromRight(m, t);
                const std::uint32_t x1 = side == 0 ? m : t, o1 = side == 0 ? t : m;
                entries[side][direction][v] = static_cast<std::uint16_t>((x1 << n) | o1);
            }
    }
    filledFor = n;
}

}  // namespace bitrow::BITROW_NS::rowtable
#endif
