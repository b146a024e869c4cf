#include "bitrow/board.h"

#include "bitrow/push.h"

namespace bitrow::BITROW_NS {

Board board;
int boardSize;
std::uint32_t topBit;
std::uint32_t fullMask;
int hashShift;
std::int32_t bitCount[1 << rowLimit];
std::uint64_t unusedRowBytes;
std::uint64_t fullRowBytes;

void setSize(int n) {
    boardSize = n;
    topBit = 1u << (n - 1);
    fullMask = (1u << n) - 1;
    hashShift = n < 15 ? n : 15;
    unusedRowBytes = n >= 8 ? 0 : ~0ull << (8 * n);
    fullRowBytes = (fullMask * 0x0101010101010101ull & ~unusedRowBytes) | unusedRowBytes;
    for (std::uint32_t i = 1; i <= fullMask; i++) bitCount[i] = bitCount[i >> 1] + (i & 1);
    setKeyWeights(n);
}

int pushFromTop(int bit, RowMask* mover, RowMask* opponent, int force) {
    return pushes::fromTop(bit, mover, opponent, force);
}

int pushFromBottom(int bit, RowMask* mover, RowMask* opponent, int force) {
    return pushes::fromBottom(bit, mover, opponent, force);
}

int applyMove(int index, RowMask* mover, RowMask* opponent, int force) {
    return pushes::apply(index, mover, opponent, force);
}

int applyMovePlain(int index, RowMask* mover, RowMask* opponent, int force) {
    return pushes::applyPlain(index, mover, opponent, force);
}

}  // namespace bitrow::BITROW_NS
