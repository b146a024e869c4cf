#include "bitrow/board.h"

#include "bitrow/push.h"

namespace bitrow::BITROW_NS {

Board board;
Sizes sizes;

void setSize(int n) {
    sizes.boardSize = n;
    sizes.topBit = 1u << (n - 1);
    sizes.fullMask = (1u << n) - 1;
    sizes.hashShift = n < 15 ? n : 15;
    sizes.unusedRowBytes = n >= 8 ? 0 : ~0ull << (8 * n);
    sizes.fullRowBytes =
        (sizes.fullMask * 0x0101010101010101ull & ~sizes.unusedRowBytes) | sizes.unusedRowBytes;
    for (std::uint32_t i = 1; i <= sizes.fullMask; i++)
        sizes.bitCount[i] = sizes.bitCount[i >> 1] + (i & 1);
    setKeyWeights(n);
}

PushResult pushFromTop(int bit, RowMask* mover, RowMask* opponent, bool force) {
    return pushes::fromTop(bit, mover, opponent, force);
}

PushResult pushFromBottom(int bit, RowMask* mover, RowMask* opponent, bool force) {
    return pushes::fromBottom(bit, mover, opponent, force);
}

PushResult applyMove(MoveIndex index, RowMask* mover, RowMask* opponent, bool force) {
    return pushes::apply(index, mover, opponent, force);
}

PushResult applyMovePlain(MoveIndex index, RowMask* mover, RowMask* opponent, bool force) {
    return pushes::applyPlain(index, mover, opponent, force);
}

}  // namespace bitrow::BITROW_NS
