#include "bitrow/board.h"

#include "bitrow/history.h"

namespace bitrow::BITROW_NS {

Board board;
int boardSize;
std::uint32_t topBit;
std::uint32_t fullMask;
int hashShift;
std::int32_t bitCount[1 << rowLimit];

void setSize(int n) {
    boardSize = n;
    topBit = 1u << (n - 1);
    fullMask = (1u << n) - 1;
    hashShift = n < 15 ? n : 15;
    for (std::uint32_t i = 1; i <= fullMask; i++) bitCount[i] = bitCount[i >> 1] + (i & 1);
}

namespace {

// Refusals of the game's first three moves for column pushes: they would give mirror
// images of positions that row pushes already reach.
bool openingRefuses(const RowMask* mover, const RowMask* opponent) {
    const std::uint32_t corners = topBit | 1;
    const int last = boardSize - 1;
    switch (histCount) {
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
bool duplicateRefuses(int bit, const RowMask* mover, const RowMask* opponent, int first, int step) {
    const std::uint32_t p = 1u << bit;
    std::uint32_t covered = fullMask;
    int row = first, scanned = 0;
    while (scanned < boardSize && (mover[row] & p)) {
        covered &= mover[row] | opponent[row];
        row += step;
        scanned++;
    }
    std::uint32_t stopRow = 0;  // the mover's pieces in the row where the scan stopped
    if (scanned < boardSize) {
        if (opponent[row] & p) return false;
        stopRow = mover[row];
    }
    covered &= stopRow;
    const std::uint32_t right = p - 1;
    const std::uint32_t left = fullMask & ~(p | right);
    return (covered & right) == right || (covered & left) == left;
}

// Walks the column from the entry edge, each cell taking the piece carried from the one
// before, until an empty cell absorbs the push or the carried piece leaves the board.
int walkColumn(int bit, RowMask* mover, RowMask* opponent, int first, int step) {
    const std::uint32_t p = 1u << bit;
    std::uint32_t carryMover = p, carryOpponent = 0;
    int j = 0, row = first;
    while (j < boardSize) {
        const std::uint32_t oldMover = mover[row] & p, oldOpponent = opponent[row] & p;
        mover[row] = static_cast<RowMask>((mover[row] & ~p) | carryMover);
        opponent[row] = static_cast<RowMask>((opponent[row] & ~p) | carryOpponent);
        carryMover = oldMover;
        carryOpponent = oldOpponent;
        j++;
        row += step;
        if (!(oldMover | oldOpponent)) break;
    }
    return j == boardSize ? 2 : 1;
}

int pushColumn(int bit, RowMask* mover, RowMask* opponent, int force, int first, int step) {
    if (!force) {
        if (openingRefuses(mover, opponent)) return 0;
        if (duplicateRefuses(bit, mover, opponent, first, step)) return 0;
    }
    return walkColumn(bit, mover, opponent, first, step);
}

int pushLeft(int r, RowMask* mover, RowMask* opponent, int force) {
    if (!force && histCount == 1 && 2 * r >= boardSize) return 0;
    std::uint32_t m = mover[r], o = opponent[r];
    const std::uint32_t occupied = m | o;
    int run = 0;
    for (std::uint32_t probe = topBit; probe && (occupied & probe); probe >>= 1) run++;
    int result;
    if (run == boardSize) {
        m = (m >> 1) | topBit;
        o >>= 1;
        result = 2;
    } else {
        const int s = boardSize - run;  // bit s-1 is the first empty cell
        const std::uint32_t stay = (1u << s) - 1;
        m = topBit | ((m >> s) << (s - 1)) | (m & stay);
        o = ((o >> s) << (s - 1)) | (o & stay);
        result = 1;
    }
    mover[r] = static_cast<RowMask>(m);
    opponent[r] = static_cast<RowMask>(o);
    return result;
}

int pushRight(int r, RowMask* mover, RowMask* opponent, int force) {
    if (!force && histCount == 1) return 0;
    std::uint32_t m = mover[r], o = opponent[r];
    const std::uint32_t occupied = m | o;
    int run = 0;
    for (std::uint32_t probe = 1; run < boardSize && (occupied & probe); probe <<= 1) run++;
    int result;
    if (run == boardSize) {
        m = ((m << 1) & fullMask) | 1;
        o = (o << 1) & fullMask;
        result = 2;
    } else {
        const std::uint32_t low = fullMask >> (boardSize - run);
        const std::uint32_t high = (fullMask << run) & fullMask;
        m = (m & high) | ((m & low) << 1) | 1;
        o = (o & high) | ((o & low) << 1);
        result = 1;
    }
    mover[r] = static_cast<RowMask>(m);
    opponent[r] = static_cast<RowMask>(o);
    return result;
}

}  // namespace

int pushFromTop(int bit, RowMask* mover, RowMask* opponent, int force) {
    return pushColumn(bit, mover, opponent, force, 0, 1);
}

int pushFromBottom(int bit, RowMask* mover, RowMask* opponent, int force) {
    return pushColumn(bit, mover, opponent, force, boardSize - 1, -1);
}

int applyMove(int index, RowMask* mover, RowMask* opponent, int force) {
    const int n = boardSize;
    if (index < n) return pushLeft(index, mover, opponent, force);
    if (index < 2 * n) return pushRight(index - n, mover, opponent, force);
    if (index < 3 * n) return pushFromTop(index - 2 * n, mover, opponent, force);
    return pushFromBottom(index - 3 * n, mover, opponent, force);
}

}  // namespace bitrow::BITROW_NS
