#include "bitrow/board.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "bitrow/push.h"

namespace bitrow::BITROW_NS {

Board board;
Sizes sizes;
BitCounts bitCount;

namespace {

// Fills bitCount up to `entries` (a power of two): the counts of [len, 2 len) are those of
// [0, len) plus one, the bit len.
void fillBitCounts(std::uint32_t entries) {
    std::int32_t* of = bitCount.of;
    for (std::uint32_t len = bitCount.filled ? bitCount.filled : 1; len < entries; len *= 2) {
        std::uint32_t i = 0;
#if defined(__SSE2__)
        for (const __m128i one = _mm_set1_epi32(1); i + 4 <= len; i += 4) {
            const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(of + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(of + len + i), _mm_add_epi32(low, one));
        }
#endif
        for (; i < len; i++) of[len + i] = of[i] + 1;
    }
    if (entries > bitCount.filled) bitCount.filled = entries;
}

}  // namespace

void setSize(int n) {
    sizes.boardSize = n;
    sizes.topBit = 1u << (n - 1);
    sizes.fullMask = (1u << n) - 1;
    sizes.hashShift = n < 15 ? n : 15;
    sizes.unusedRowBytes = n >= 8 ? 0 : ~0ull << (8 * n);
    sizes.fullRowBytes =
        (sizes.fullMask * 0x0101010101010101ull & ~sizes.unusedRowBytes) | sizes.unusedRowBytes;
    fillBitCounts(sizes.fullMask + 1);
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
