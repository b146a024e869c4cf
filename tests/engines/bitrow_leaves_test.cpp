// The last two plies in registers (bitrow/leaves.h) against the plain path and the cell
// model on random positions of every N: each reply's refusal, board, key, counts and value,
// the Start it hands its own replies, the reply loop; and the 8-bit build's row table.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "tests/engines/bitrow_util.h"

#if BITROW_VECTORS
#include "bitrow/leaves.h"
#include "bitrow/linecounts.h"
#include "bitrow/rowtable8.h"

using namespace testutil;

namespace {

// Positions recorded in the game so far: the model board and histCount after its record.
using Recorded = std::vector<std::pair<model::Board, int>>;

// What a reply should be worth, from independent pieces: the refusal from the cell-by-cell
// push rules, the position from the cell model, a repetition when its key, taken from the
// model's cells, is that of a recorded position (equal keys count as equal positions: from
// N = 9 on, some different boards share one), else the straights and E counted on the
// model. `repeats` tells whether it was a repetition.
std::int32_t expectedReply(int index, const Recorded& recorded, bool& repeats) {
    Board copy = board;
    const int count = history.histCount;
    RowMask* mover = count % 2 ? copy.x : copy.o;
    RowMask* opponent = count % 2 ? copy.o : copy.x;
    repeats = false;
    if (applyMovePlain(asMove(index), mover, opponent, false) == PushResult::refused)
        return noScore;
    const model::Piece me = count % 2 ? model::Piece::X : model::Piece::O;
    model::Board m = toModel();
    m.push(toModelMove(index), me);
    const std::uint32_t key = modelKey(m, count);
    for (const auto& [b, c] : recorded)
        if (modelKey(b, c - 1) == key) {
            repeats = true;
            return lossScore;
        }
    const int mine = m.straights(me), theirs = m.straights(model::opponent(me));
    if (mine != theirs) return mine > theirs ? winScore : lossScore;
    return modelEval(m, me) - modelEval(m, model::opponent(me));
}

// A side's counts as the vectors hold them, back in rows and columns: equal to `want`'s.
void expectCounts(const leaves::Counts& v, const SideCounts& want, const char* what) {
    alignas(16) std::uint8_t bytes[leaves::countVectors][16];
    for (int k = 0; k < leaves::countVectors; k++)
        _mm_store_si128(reinterpret_cast<__m128i*>(bytes[k]), v.v[k]);
    for (int l = 0; l < 8 * maskBytes; l++) {
        ASSERT_EQ(bytes[l / 8][l % 8], want.rows[l]) << what << " row " << l;
        ASSERT_EQ(bytes[l / 8][8 + l % 8], want.cols[l]) << what << " column of bit " << l;
    }
}

// The columns hold the column masks of the board.
void expectColumns() {
    leaves::Columns expected;
    pushes::columnsOf(board.x, expected.x);
    pushes::columnsOf(board.o, expected.o);
    for (int a = 0; a < rowLimit; a++) {
        ASSERT_EQ(leaves::columns.x[a], expected.x[a]) << "column of bit " << a;
        ASSERT_EQ(leaves::columns.o[a], expected.o[a]) << "column of bit " << a;
    }
}

// A Start equal to the one startFrom gives for the current board, recorded as the top.
void expectStart(const leaves::Start& t) {
    const leaves::Columns placed = leaves::columns;
    const LineCounts full = countLines();
    const leaves::Start u = leaves::startFrom(full);
    expectCounts(t.cx, full.side[0], "X");
    expectCounts(t.co, full.side[1], "O");
    ASSERT_EQ(t.base, u.base);
    ASSERT_EQ(_mm_movemask_epi8(_mm_cmpeq_epi8(t.full, u.full)), 0xffff);
    leaves::columns = placed;
}

// Reply i against the plain path: refused alike, and else the same board and columns once
// placed, the key hashBoard gives it, the counts countLines gives it, and the Start of its
// own replies once it is recorded; taken back, the node's board and columns again.
template <int side, bool tabled>
void checkChild(const leaves::Start& s, int i) {
    Board plain = board;
    RowMask* mover = side == 0 ? plain.x : plain.o;
    RowMask* opponent = side == 0 ? plain.o : plain.x;
    const bool refused = applyMovePlain(asMove(i), mover, opponent, false) == PushResult::refused;
    leaves::Child c;
    ASSERT_EQ((leaves::child<side, tabled>(s, i, c)), !refused);
    if (refused) return;
    const Board before = board;
    leaves::place(c);
    ASSERT_EQ(std::memcmp(&board, &plain, sizeof board), 0);
    expectColumns();
    ASSERT_EQ(c.key, hashBoard());
    const LineCounts full = countLines();
    expectCounts(c.cx, full.side[0], "X");
    expectCounts(c.co, full.side[1], "O");
    recordKey(c.key);
    expectStart(leaves::startFromChild(s, c));
    popHist();
    leaves::unplace(c);
    ASSERT_EQ(std::memcmp(&board, &before, sizeof board), 0);
    expectColumns();
}

template <int side, bool tabled>
void checkReplies(std::mt19937& rng, const Recorded& recorded, int& repetitions) {
    const int n = sizes.boardSize;
    const EngineState before = EngineState::take();
    const leaves::Start s = leaves::startFrom(countLines());
    std::vector<std::int32_t> expected(4 * n);
    for (int i = 0; i < 4 * n; i++) {
        SCOPED_TRACE(testing::Message() << "N=" << n << " " << moveName(asMove(i))
                                        << (tabled ? " tabled" : "") << " side " << side);
        checkChild<side, tabled>(s, i);
        bool repeats;
        expected[i] = expectedReply(i, recorded, repeats);
        repetitions += repeats;
        ASSERT_EQ((leaves::reply<side, tabled>(s, i)), expected[i]);
    }
    // The loop: the least negated value within the window, stopping below alpha, one call
    // counted per reply tried.
    std::uniform_int_distribution<int> bound(-60, 60);
    for (int t = 0; t < 6; t++) {
        std::int32_t alpha = bound(rng), beta = bound(rng);
        if (t == 0) alpha = -winScore - 1, beta = winScore + 1;
        if (alpha > beta) std::swap(alpha, beta);
        std::int32_t v = beta;
        std::uint64_t tried = 0;
        for (int i = 0; i < 4 * n; i++) {
            tried++;
            if (expected[i] != noScore && -expected[i] < v) {
                v = -expected[i];
                if (v < alpha) break;
            }
        }
        std::uint64_t calls = 0;
        ASSERT_EQ((leaves::replies<side, tabled>(s, alpha, beta, calls)), v)
            << "N=" << n << " window " << alpha << " " << beta;
        ASSERT_EQ(calls, tried);
    }
    ASSERT_TRUE(EngineState::take() == before);
}

// A position past the game's third move (no opening refusals) with X or O to move, its
// records in `recorded`; false when the random moves repeated a position.
bool randomPosition(std::mt19937& rng, int n, int t, Recorded& recorded) {
    freshGame(n);
    recorded = {{toModel(), 1}};
    std::uniform_int_distribution<int> move(0, 4 * n - 1);
    for (int k = 0; k < 3 + t % 2; k++) {
        if (!playForced(move(rng))) return false;
        recorded.push_back({toModel(), history.histCount});
    }
    const model::Board position = randomModelBoard(rng, n, 10 + 25 * (t % 4));
    if (t % 3 == 0) {
        // Some reply will recreate a record: the position after it, recorded just before
        // the position itself (the same side to move as after the reply).
        fromModel(position);
        applyMove(asMove(move(rng)), moverRows(), opponentRows(), true);
        if (pushHist() == PushResult::refused) return false;
        recorded.push_back({toModel(), history.histCount});
    }
    fromModel(position);
    if (pushHist() == PushResult::refused) return false;
    recorded.push_back({toModel(), history.histCount});
    return true;
}

// Every N of the build, with X and with O to move, the line pushes both tabled (N up to 7 in
// the 8-bit build) and computed, with repetitions, refusals and decided replies among them.
TEST(BitrowLeaves, EveryReplyMatchesThePlainPathAndTheModel) {
    std::mt19937 rng(13);
    int repetitions = 0, positions = 0;
    for (int n = 1; n <= rowLimit; n++) {
        for (int t = 0; t < (n <= 8 ? 40 : 12); t++) {
            Recorded recorded;
            if (!randomPosition(rng, n, t, recorded)) continue;
            positions++;
#if BITROW_WORDS
            rowtable::fill();
            if (rowtable::filledFor == n) {
                if (history.histCount % 2)
                    checkReplies<0, true>(rng, recorded, repetitions);
                else
                    checkReplies<1, true>(rng, recorded, repetitions);
            }
#endif
            if (history.histCount % 2)
                checkReplies<0, false>(rng, recorded, repetitions);
            else
                checkReplies<1, false>(rng, recorded, repetitions);
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_GT(positions, 5 * rowLimit);
    EXPECT_GT(repetitions, 10);  // the repetition test was exercised
}

#if BITROW_WORDS
// Every row state of every N the table serves, pushed by either side from either edge: the
// entry equals the row of a one-row push on the cell model.
TEST(BitrowRowTable, EveryRowStateMatchesTheModel) {
    for (int n = 1; n <= rowtable::largestN; n++) {
        freshGame(n);
        rowtable::fill();
        ASSERT_EQ(rowtable::filledFor, n);
        const model::Piece pieces[2] = {model::Piece::X, model::Piece::O};
        int checked = 0;
        for (std::uint32_t x = 0; x < (1u << n); x++)
            for (std::uint32_t o = 0; o < (1u << n); o++) {
                if (x & o) continue;
                for (int side = 0; side < 2; side++)
                    for (int direction = 0; direction < 2; direction++) {
                        model::Board m(n);
                        for (int c = 0; c < n; c++) {
                            const std::uint32_t bit = 1u << (n - 1 - c);
                            if (x & bit) m.set(0, c, model::Piece::X);
                            if (o & bit) m.set(0, c, model::Piece::O);
                        }
                        m.push({direction == 0 ? 'L' : 'R', 1}, pieces[side]);
                        std::uint32_t x1 = 0, o1 = 0;
                        for (int c = 0; c < n; c++) {
                            const std::uint32_t bit = 1u << (n - 1 - c);
                            if (m.at(0, c) == model::Piece::X) x1 |= bit;
                            if (m.at(0, c) == model::Piece::O) o1 |= bit;
                        }
                        ASSERT_EQ(rowtable::entries[side][direction][(x << n) | o], (x1 << n) | o1)
                            << "N=" << n << " x=" << x << " o=" << o << " side " << side
                            << (direction ? " right" : " left");
                        checked++;
                    }
            }
        EXPECT_EQ(checked, 4 * static_cast<int>(std::pow(3, n)));  // 3^N rows of three states
    }
    // Larger boards are not tabled: the search pushes their rows itself.
    freshGame(8);
    rowtable::fill();
    EXPECT_NE(rowtable::filledFor, 8);
}
#endif

}  // namespace
#endif
