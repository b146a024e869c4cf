#include "bitrow/board.h"

#include "bitrow/push.h"

namespace bitrow::BITROW_NS {

Position pos;

void setSize(int n) {
    pos.boardSize = n;
    pos.topBit = 1u << (n - 1);
    pos.fullMask = (1u << n) - 1;
    pos.hashShift = n < 15 ? n : 15;
    pos.unusedRowBytes = n >= 8 ? 0 : ~0ull << (8 * n);
    pos.fullRowBytes =
        (pos.fullMask * 0x0101010101010101ull & ~pos.unusedRowBytes) | pos.unusedRowBytes;
    for (std::uint32_t i = 1; i <= pos.fullMask; i++)
        pos.bitCount[i] = pos.bitCount[i >> 1] + (i & 1);
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
