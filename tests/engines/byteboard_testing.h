// Shared helpers of the byte-board tests. The test sources are compiled once per board
// size with BYTEBOARD_N set, so everything here has internal linkage.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "byteboard/board.h"
#include "byteboard/deepen.h"
#include "byteboard/evaluate.h"
#include "byteboard/history.h"
#include "byteboard/notation.h"
#include "byteboard/search.h"
#include "byteboard/turn.h"
#include "model/cell_model.h"

#define BB_CAT2(a, b) a##b
#define BB_CAT(a, b) BB_CAT2(a, b)
// A test of the engine built for the current size; the suite name carries N (Board6, ...).
#define BBTEST(suite, name) TEST(BB_CAT(suite, BYTEBOARD_N), name)

namespace {

using namespace byteboard;
using namespace byteboard::BYTEBOARD_NS;

// A clean engine: empty board, no answer, default hooks and depth limit.
inline void fresh() {
    ASSERT_TRUE(reset());
    ASSERT_EQ(history.hno, 0);
    ASSERT_EQ(deepening.observer, nullptr);
    ASSERT_EQ(deepening.maxdepth, lastdepth);
}

// The current record, hist[hno].
inline posrec& current() {
    return history.hist[history.hno];
}

inline model::Piece piece(int code) {
    return code == 1 ? model::Piece::X : code == 2 ? model::Piece::O : model::Piece::None;
}

inline model::Board toboard(const posrec& rec) {
    model::Board b(N);
    for (int r = 0; r < N; r++)
        for (int c = 0; c < N; c++) b.set(r, c, piece(rec.cell[r * N + c]));
    return b;
}

// Run score of a line from its definition: over every maximal stretch without a piece of
// the other player, 1 + 4 + ... + k * k for the k pieces of who in it.
inline int runscore(const std::vector<model::Piece>& line, model::Piece who) {
    int total = 0, k = 0;
    for (size_t i = 0; i <= line.size(); i++) {
        if (i == line.size() || line[i] == model::opponent(who)) {
            total += k * (k + 1) * (2 * k + 1) / 6;
            k = 0;
        } else if (line[i] == who) {
            k++;
        }
    }
    return total;
}

inline std::vector<model::Piece> rowof(const model::Board& b, int r) {
    std::vector<model::Piece> v;
    for (int c = 0; c < N; c++) v.push_back(b.at(r, c));
    return v;
}
inline std::vector<model::Piece> colof(const model::Board& b, int c) {
    std::vector<model::Piece> v;
    for (int r = 0; r < N; r++) v.push_back(b.at(r, c));
    return v;
}

// Every score, total and count of rec against a recomputation from its cells.
inline void expectconsistent(const posrec& rec) {
    using model::Piece;
    model::Board b = toboard(rec);
    const int sum = N * (N + 1) * (2 * N + 1) / 6;
    int xtotal = 0, ototal = 0, xstraights = 0, ostraights = 0;
    for (int k = 0; k < N; k++) {
        for (int isrow = 0; isrow < 2; isrow++) {
            auto line = isrow ? rowof(b, k) : colof(b, k);
            const linescore& s = isrow ? rec.row[k] : rec.col[k];
            int xs = runscore(line, Piece::X), os = runscore(line, Piece::O);
            EXPECT_EQ(s.xscore, xs) << (isrow ? "row " : "col ") << k;
            EXPECT_EQ(s.oscore, os) << (isrow ? "row " : "col ") << k;
            EXPECT_EQ(s.xfull, xs == sum ? 1 : 0);
            EXPECT_EQ(s.ofull, os == sum ? 1 : 0);
            xtotal += xs;
            ototal += os;
        }
    }
    xstraights = b.straights(Piece::X);
    ostraights = b.straights(Piece::O);
    EXPECT_EQ(rec.xtotal, xtotal);
    EXPECT_EQ(rec.ototal, ototal);
    EXPECT_EQ(rec.xstraights, xstraights);
    EXPECT_EQ(rec.ostraights, ostraights);
    EXPECT_EQ(rec.xpieces, b.count(Piece::X));
    EXPECT_EQ(rec.opieces, b.count(Piece::O));
}

// A record with the given cells ('X', 'O', anything else empty; rows top to bottom), its
// scores filled in by computerow and computecol.
inline posrec makerecord(const std::vector<std::string>& rows) {
    posrec rec{};
    for (int r = 0; r < N; r++)
        for (int c = 0; c < N; c++) {
            char ch = r < static_cast<int>(rows.size()) && c < static_cast<int>(rows[r].size())
                          ? rows[r][c]
                          : '.';
            uint8_t code = ch == 'X' ? 1 : ch == 'O' ? 2 : 0;
            rec.cell[r * N + c] = code;
            rec.xpieces += code == 1;
            rec.opieces += code == 2;
        }
    for (int k = 0; k < N; k++) {
        computerow(rec, k);
        computecol(rec, k);
    }
    return rec;
}

// The model's name for an engine move.
inline model::Move modelmove(char side, int32_t pos) {
    return {side, pos + 1};
}

// Every move in generation order.
inline std::vector<std::pair<char, int32_t>> generationorder() {
    std::vector<std::pair<char, int32_t>> out;
    for (char side : std::string("TRBL"))
        for (int32_t p = 0; p < N; p++) out.push_back({side, p});
    return out;
}

// Plays count random moves from the current record, alternating players from `player`.
inline int32_t randomgame(std::mt19937& rng, int count, int32_t player = 1) {
    auto all = generationorder();
    for (int i = 0; i < count; i++) {
        auto [side, pos] = all[rng() % all.size()];
        domove(side, pos, player);
        player = 3 - player;
    }
    return player;
}

}  // namespace
