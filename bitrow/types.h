// The bit-row engine's vocabulary: its types, its limits and its build parameters, in one
// place. Every other file of the engine, the tools and the tests take these names.
//
// The engine plays the N x N board with each row of each player held as one unsigned
// integer, a row mask, and searches by iterative-deepening negamax. One source is built
// three times, for three row widths; each width lives in its own namespace (w8, w16, w32),
// so that tools and tests can link all three:
//
//   program    row mask   rowLimit (largest N)   Board (2 x rowLimit masks)
//   shover8     8 bits     8                      16 bytes
//   shover16   16 bits    16                      64 bytes
//   shover20   32 bits    20                     160 bytes
//
// A row mask, N = 6 (one player's pieces in one row; row 0 is the top row):
//
//   column        1    2    3    4    5    6
//   bit           5    4    3    2    1    0       column c is bit N - c
//               topBit                  bit 0     bits N and up are always 0
//   fullMask = (1 << N) - 1: the whole row
//
// The move-index ring, N = 4: a MoveIndex 0..4N-1 names the edge and the line a piece
// enters by, L1..LN R1..RN TN..T1 BN..B1, and moves are always tried in this order:
//
//                  T1   T2   T3   T4
//                  11   10    9    8          TN..T1 = 2N..3N-1
//        L1   0  [  ] [  ] [  ] [  ]   4  R1
//        L2   1  [  ] [  ] [  ] [  ]   5  R2  L1..LN = 0..N-1,  R1..RN = N..2N-1
//        L3   2  [  ] [  ] [  ] [  ]   6  R3
//        L4   3  [  ] [  ] [  ] [  ]   7  R4
//                  15   14   13   12          BN..B1 = 3N..4N-1
//                  B1   B2   B3   B4
//
//   In the top and bottom ranges, index - 2N and index - 3N are the column's bit number.
//
// A column mask, N = 4: one player's pieces in one column (the column of bit a) as a mask
// whose bit j is row j, so that a column push is a row push on the column's two masks:
//
//   row           0    1    2    3
//   bit           0    1    2    3
//               top            bottom       a push from the top enters at bit 0, as one
//                                           from the right does in a row; from the bottom
//                                           at bit N - 1, as from the left
//
// The 8-bit word of the word-at-a-time paths (the 8-bit build on SSE2, wordAtATime): one
// side's eight row masks read as one 64-bit word, row r in byte r.
//
//   bit 63                                                                      bit 0
//   | row 7  | row 6  | row 5  | row 4  | row 3  | row 2  | row 1  | row 0  |
//
//   The column of bit a is bit a of every byte: 0x0101010101010101 << a. Rows N..7 are
//   zero bytes (unusedRowBytes marks them); the X and O words side by side are the Board's
//   16 bytes, one 128-bit vector.
#pragma once

#include <cstdint>

namespace bitrow {

// The largest N of each build: 8, 16 and 32-bit rows. Move names exist up to the widest.
constexpr int narrowRowLimit = 8;
constexpr int middleRowLimit = 16;
constexpr int widestRowLimit = 20;

// A move: 0..4N-1 in the order of the ring above.
enum MoveIndex : std::int32_t { noMove = -1 };

// What applyMove and pushHist did. applyMove: refused (nothing changed; only unforced),
// pushed (an empty cell inside the line absorbed the push) or pushedThrough (the push ran
// through the whole line). pushHist: refused (the position repeats, nothing changed) or
// pushed (recorded as the new top).
enum class PushResult : int { refused = 0, pushed = 1, pushedThrough = 2 };

// Called after every iteration of the deepening that scored a move: its depth, best score
// and move, and whether the iteration ran over all root moves before time was up.
using IterationObserver = void (*)(int depth, std::int32_t score, MoveIndex move, bool complete);

// How the replay of a game record ended.
enum class Replay { Ok, Repetition, TooLong };

// Scores, seen from the side that has just made the move being scored.
using Score = std::int32_t;
constexpr Score winScore = 1000000000;
constexpr Score lossScore = -1000000000;  // also the score of a repetition
constexpr Score straightWeight = 10000000;
constexpr Score rootCeiling = 10000000;  // the root window's top
constexpr Score decidedAbove = 9999999;  // |score| above this is decided
constexpr Score distanceStep = 10;       // a decided value moves this much toward 0 per level
constexpr Score noScore = -2147483647;   // the move was not searched
constexpr Score cacheMiss = 2147483647;  // -noScore

constexpr bool isDecided(Score s) {
    return s > decidedAbove || s < -decidedAbove;
}

// Iterative deepening: depths firstDepth..lastDepth; depth d searches d + 1 plies.
constexpr int firstDepth = 3;
constexpr int lastDepth = 36;
constexpr int orderRows = 40;  // rows of moveOrder; rows firstDepth..lastDepth + 1 are used

// The turn's budget: a one-shot real-time timer of 29.5 s.
constexpr long turnBudgetMicros = 29500000;

// The position history and the game records it can take: the start position, the moves,
// and the deepest search line (lastDepth + 1 records) must fit.
constexpr int histCapacity = 3000;
constexpr int histBuckets = 4096;
constexpr int maxRecordMoves = histCapacity - 1 - (lastDepth + 1);

constexpr int cacheSlots = 1 << 20;  // the score cache

// Lines of a game record are read at most lineBufferSize - 1 characters at a time.
constexpr int lineBufferSize = 98;

}  // namespace bitrow

// The build's own parameters, for the engine's sources, which are compiled once per width
// with BITROW_WIDTH = 8, 16 or 32. The tools see only the width-neutral names above.
#if defined(BITROW_WIDTH)

#if BITROW_WIDTH == 8
#define BITROW_NS w8
#elif BITROW_WIDTH == 16
#define BITROW_NS w16
#elif BITROW_WIDTH == 32
#define BITROW_NS w32
#else
#error "BITROW_WIDTH must be 8, 16 or 32"
#endif

// Whether the word-at-a-time paths are on: the 8-bit build with SSE2. Code that uses the
// vector intrinsics is compiled under this macro; all other code tests wordAtATime.
#if BITROW_WIDTH == 8 && defined(__SSE2__)
#define BITROW_WORDS 1
#else
#define BITROW_WORDS 0
#endif

// Whether the last two plies of a search run in vector registers (bitrow/leaves.h): every
// width with SSE2.
#if defined(__SSE2__)
#define BITROW_VECTORS 1
#else
#define BITROW_VECTORS 0
#endif

namespace bitrow::BITROW_NS {

#if BITROW_WIDTH == 8
using RowMask = std::uint8_t;
constexpr int rowLimit = narrowRowLimit;
#elif BITROW_WIDTH == 16
using RowMask = std::uint16_t;
constexpr int rowLimit = middleRowLimit;
#else
using RowMask = std::uint32_t;
constexpr int rowLimit = widestRowLimit;
#endif

constexpr bool wordAtATime = BITROW_WORDS;

// The bytes a row mask spans, 1, 2 or 3: a line's counts are kept in groups of 8 lines.
constexpr int maskBytes = (rowLimit + 7) / 8;

// The widest build has no wider build to hand a board to.
constexpr bool isWidestBuild = rowLimit == widestRowLimit;

}  // namespace bitrow::BITROW_NS

#endif
