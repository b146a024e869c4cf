// The yardstick itself must be right: hand-worked pushes, straights and judging.
#include <gtest/gtest.h>

#include "model/cell_model.h"

using model::Board;
using model::Game;
using model::Move;
using model::Outcome;
using model::Piece;

namespace {

// Board from rows of 'X', 'O' and '.'.
Board board(std::initializer_list<const char*> rows) {
    Board b(static_cast<int>(rows.size()));
    int r = 0;
    for (const char* row : rows) {
        for (int c = 0; row[c]; c++)
            b.set(r, c, row[c] == 'X' ? Piece::X : row[c] == 'O' ? Piece::O : Piece::None);
        r++;
    }
    return b;
}

TEST(Model, PushesSlideUpToTheFirstEmptyCellOrDropTheFarPiece) {
    Board b = board({"XO.O", "....", "....", "XOXO"});
    EXPECT_FALSE(b.push({'L', 1}, Piece::O));
    EXPECT_EQ(b, board({"OXOO", "....", "....", "XOXO"}));
    EXPECT_TRUE(b.push({'R', 4}, Piece::X));  // full row: the left piece leaves
    EXPECT_EQ(b, board({"OXOO", "....", "....", "OXOX"}));
    EXPECT_FALSE(b.push({'T', 2}, Piece::O));
    EXPECT_EQ(b, board({"OOOO", ".X..", "....", "OXOX"}));
    EXPECT_FALSE(b.push({'B', 1}, Piece::X));
    EXPECT_EQ(b, board({"OOOO", ".X..", "O...", "XXOX"}));
    EXPECT_FALSE(b.push({'T', 1}, Piece::X));  // column O . O X: the empty second cell absorbs it
    EXPECT_EQ(b, board({"XOOO", "OX..", "O...", "XXOX"}));
}

TEST(Model, StraightsCountFullRowsAndColumnsOfOneSide) {
    Board b = board({"XXX", "XOO", "XOO"});
    EXPECT_EQ(b.straights(Piece::X), 2);
    EXPECT_EQ(b.straights(Piece::O), 0);
    EXPECT_EQ(board({"OXO", "XOX", "OXO"}).straights(Piece::X), 0);
    EXPECT_EQ(board({"O"}).straights(Piece::O), 2);
}

TEST(Model, MoveNamesRoundTripAndRejectAnythingElse) {
    for (int n : {1, 9, 20})
        for (Move m : model::allMoves(n)) EXPECT_EQ(model::parseMove(model::moveName(m), n), m);
    for (const char* bad : {"", "L", "L0", "L05", "L21", "l3", " L3", "L3 ", "X3", "L+3", "L123"})
        EXPECT_FALSE(model::parseMove(bad, 20)) << bad;
    EXPECT_FALSE(model::parseMove("L7", 6));
    EXPECT_EQ(model::allMoves(3).size(), 12u);
}

TEST(Model, GameJudgesStraightsAndRepetitions) {
    Game g(2);
    EXPECT_EQ(g.play({'L', 1}), Outcome::Open);  // X
    EXPECT_EQ(g.toMove(), Piece::O);
    EXPECT_EQ(g.play({'L', 2}), Outcome::Open);  // O
    EXPECT_EQ(g.play({'L', 1}), Outcome::Won);   // X X / O . : row 1 is X's
    Game r(3);
    r.play({'L', 1});  // X at (0,0)
    r.play({'R', 1});  // O at (0,2)
    r.play({'L', 1});  // X X O  -> X(0,0) X(0,1) O(0,2)
    r.play({'L', 3});  // O at (2,0)
    // X pushes into the full top row: X X X, O leaves; X has a straight.
    EXPECT_EQ(r.play({'L', 1}), Outcome::Won);
    Game one(1);
    EXPECT_EQ(one.play({'L', 1}), Outcome::Won);  // one cell is a row and a column at once
}

TEST(Model, RepeatingAPositionWithTheSameSideToMoveLoses) {
    Game g(3);
    // Column 2 only: X . .  ->  X . O  ->  X X O  ->  O X X  ->  X O X  ->  O X O  ->  X O X
    const Outcome expected[] = {Outcome::Open, Outcome::Open, Outcome::Open,      Outcome::Open,
                                Outcome::Open, Outcome::Open, Outcome::Repetition};
    const Move moves[] = {{'T', 2}, {'B', 2}, {'T', 2}, {'T', 2}, {'T', 2}, {'T', 2}, {'T', 2}};
    for (int i = 0; i < 7; i++) EXPECT_EQ(g.play(moves[i]), expected[i]) << "ply " << i + 1;
    EXPECT_EQ(g.plies(), 7);
    EXPECT_EQ(g.board().count(Piece::X), 2);
    EXPECT_EQ(g.board().count(Piece::O), 1);
}

}  // namespace
