// Helpers for the bit-row engine tests: converting to and from the plain cell model and
// starting a game. Compiled once per row width, like the engine.
#pragma once

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "bitrow/board.h"
#include "bitrow/deepen.h"
#include "bitrow/evaluate.h"
#include "bitrow/history.h"
#include "bitrow/notation.h"
#include "bitrow/search.h"
#include "bitrow/turn.h"
#include "model/cell_model.h"

namespace testutil {

using namespace bitrow;
using namespace bitrow::BITROW_NS;

// Fills zero to three whole lines of m, each a random row or column, with one side's
// pieces, so that straights occur often on random boards.
inline void fillSomeLines(std::mt19937& rng, model::Board& m) {
    const int n = m.size();
    std::uniform_int_distribution<int> line(0, n - 1), coin(0, 3);
    for (int k = coin(rng); k > 0; k--) {
        const model::Piece p = coin(rng) % 2 ? model::Piece::X : model::Piece::O;
        const int l = line(rng);
        const bool row = coin(rng) % 2;
        for (int i = 0; i < n; i++) row ? m.set(l, i, p) : m.set(i, l, p);
    }
}

// A random board of the given fill, with some lines wholly one side's so that straights,
// full columns and full rows (pushes that run through the line) occur often.
inline model::Board randomModelBoard(std::mt19937& rng, int n, int fillPercent) {
    model::Board m(n);
    std::uniform_int_distribution<int> percent(0, 99), coin(0, 3);
    for (int r = 0; r < n; r++)
        for (int c = 0; c < n; c++)
            if (percent(rng) < fillPercent)
                m.set(r, c, coin(rng) % 2 ? model::Piece::X : model::Piece::O);
    fillSomeLines(rng, m);
    return m;
}

inline bool cellBit(const RowMask* rows, int r, int c) {
    return (rows[r] >> (sizes.boardSize - 1 - c)) & 1;
}

inline model::Board toModel() {
    model::Board m(sizes.boardSize);
    for (int r = 0; r < sizes.boardSize; r++)
        for (int c = 0; c < sizes.boardSize; c++) {
            if (cellBit(board.x, r, c)) m.set(r, c, model::Piece::X);
            if (cellBit(board.o, r, c)) m.set(r, c, model::Piece::O);
        }
    return m;
}

inline void fromModel(const model::Board& m) {
    board = Board{};
    for (int r = 0; r < sizes.boardSize; r++)
        for (int c = 0; c < sizes.boardSize; c++) {
            const RowMask bit = static_cast<RowMask>(1u << (sizes.boardSize - 1 - c));
            if (m.at(r, c) == model::Piece::X) board.x[r] |= bit;
            if (m.at(r, c) == model::Piece::O) board.o[r] |= bit;
        }
}

// The key computed independently from the cells of a record at index `count`: seed = the
// side to move, count & 1, then per row
// h*65599 + ((X row << min(N,15)) ^ O row), all mod 2^32, times 41.
inline std::uint32_t modelKey(const model::Board& m, int count) {
    const int n = m.size();
    std::uint64_t h = count & 1;
    for (int r = 0; r < n; r++) {
        std::uint64_t xr = 0, orow = 0;
        for (int c = 0; c < n; c++) {
            xr = xr * 2 + (m.at(r, c) == model::Piece::X);
            orow = orow * 2 + (m.at(r, c) == model::Piece::O);
        }
        const int shift = n < 15 ? n : 15;
        h = (h * 65599 + (((xr << shift) & 0xffffffffu) ^ orow)) & 0xffffffffu;
    }
    return static_cast<std::uint32_t>((h * 41) & 0xffffffffu);
}

inline MoveIndex asMove(int i) {
    return static_cast<MoveIndex>(i);
}

inline model::Move toModelMove(int index) {
    return *model::parseMove(moveName(asMove(index)), sizes.boardSize);
}

// A fresh engine with an empty board of size n, start position recorded.
inline void freshGame(int n) {
    resetEngine();
    startGame(n);
}

inline RowMask* moverRows() {
    return history.histCount % 2 ? board.x : board.o;
}
inline RowMask* opponentRows() {
    return history.histCount % 2 ? board.o : board.x;
}

// Plays a forced move for the side to move and records it; false on a repetition.
inline bool playForced(int index) {
    applyMove(asMove(index), moverRows(), opponentRows(), true);
    return pushHist() == PushResult::pushed;
}

// A snapshot of everything a search must leave as it found it.
struct EngineState {
    Board b;
    int count;
    HistEntry* heads[histBuckets];
    static EngineState take() {
        EngineState s;
        s.b = board;
        s.count = history.histCount;
        std::memcpy(s.heads, history.histBucket, sizeof s.heads);
        return s;
    }
    bool operator==(const EngineState& o) const {
        return std::memcmp(&b, &o.b, sizeof b) == 0 && count == o.count &&
               std::memcmp(heads, o.heads, sizeof heads) == 0;
    }
};

// E of one side, counted on the cell model: rows b^2, columns k^2 + k.
inline int modelEval(const model::Board& m, model::Piece p) {
    int e = 0;
    for (int r = 0; r < m.size(); r++) {
        int b = 0;
        for (int c = 0; c < m.size(); c++) b += m.at(r, c) == p;
        e += b * b;
    }
    for (int c = 0; c < m.size(); c++) {
        int k = 0;
        for (int r = 0; r < m.size(); r++) k += m.at(r, c) == p;
        e += k * k + k;
    }
    return e;
}

// Runs input through the replay as a game record's move lines (after the size line).
inline Replay replayText(const std::string& moves) {
    std::FILE* f = fmemopen(const_cast<char*>(moves.data()), moves.size(), "r");
    const Replay r = replayGame(f);
    std::fclose(f);
    return r;
}

}  // namespace testutil
