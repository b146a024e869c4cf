// Pushes, incremental line scores and the position stack of the byte-board engine, checked
// against the cell model and against scores recomputed from the cells.
#include <cstdlib>
#include <cstring>
#include <string>

#include "byteboard_testing.h"

namespace {

void expectsame(const posrec& a, const posrec& b) {
    EXPECT_EQ(0, std::memcmp(a.cell, b.cell, sizeof a.cell));
    for (int k = 0; k < N; k++) {
        EXPECT_EQ(a.row[k].xscore, b.row[k].xscore);
        EXPECT_EQ(a.row[k].oscore, b.row[k].oscore);
        EXPECT_EQ(a.col[k].xscore, b.col[k].xscore);
        EXPECT_EQ(a.col[k].oscore, b.col[k].oscore);
    }
    EXPECT_EQ(a.xtotal, b.xtotal);
    EXPECT_EQ(a.ototal, b.ototal);
    EXPECT_EQ(a.xpieces, b.xpieces);
    EXPECT_EQ(a.opieces, b.opieces);
}

BBTEST(Board, RandomGamesMatchTheModelAndARecomputation) {
    std::mt19937 rng(12345 + N);
    auto all = generationorder();
    for (int game = 0; game < 40; game++) {
        fresh();
        model::Board board(N);
        int32_t player = 1;
        for (int ply = 0; ply < 150; ply++) {
            auto [side, pos] = all[rng() % all.size()];
            domove(side, pos, player);
            board.push(modelmove(side, pos), piece(player));
            ASSERT_EQ(history.hno, ply + 1);
            ASSERT_EQ(toboard(current()), board) << "game " << game << " ply " << ply;
            expectconsistent(current());
            if (testing::Test::HasFailure()) return;
            player = 3 - player;
        }
    }
}

// The move ring, spelled out: T1..TN, R1..RN, B1..BN, L1..LN. Each index names its move in
// the notation, and playing it on the empty board puts the piece where the model does.
BBTEST(Board, TheMoveRingRunsTopRightBottomLeft) {
    std::vector<std::string> ring;
    for (char side : {'T', 'R', 'B', 'L'})
        for (int k = 1; k <= N; k++) ring.push_back(side + std::to_string(k) + "\n");
    ASSERT_EQ(static_cast<int>(ring.size()), nmovesall);
    for (MoveIndex m = 0; m < nmovesall; m++) {
        char buf[answerbytes];
        const int len = formatanswer(sideof(m), posof(m), buf);
        EXPECT_EQ(std::string(buf, static_cast<size_t>(len)), ring[static_cast<size_t>(m)]);
        fresh();
        domove(sideof(m), posof(m), 2);
        model::Board want(N);
        EXPECT_FALSE(want.push({ring[static_cast<size_t>(m)][0], posof(m) + 1}, model::Piece::O));
        EXPECT_EQ(toboard(current()), want) << ring[static_cast<size_t>(m)];
    }
}

BBTEST(Board, TakingBackIsADecrementAndTheStackGrowsByDoubling) {
    std::free(history.hist);  // start over with a newly allocated stack of 50 records
    history.hist = nullptr;
    fresh();
    ASSERT_EQ(history.hmax, 50);
    std::mt19937 rng(7);
    std::vector<posrec> copies{history.hist[0]};
    int32_t player = 1;
    for (int k = 1; k <= 120; k++) {
        player = randomgame(rng, 1, player);
        copies.push_back(current());
        if (k < 50)
            EXPECT_EQ(history.hmax, 50) << k;
        else if (k < 100)
            EXPECT_EQ(history.hmax, 100) << k;
        else
            EXPECT_EQ(history.hmax, 200) << k;
    }
    for (int k = 0; k <= 120; k++) expectsame(history.hist[k], copies[k]);
    // A move and its take-back leave the lower records alone.
    history.hno = 60;
    domove('L', 0, 1);
    history.hno--;
    for (int k = 0; k <= 60; k++) expectsame(history.hist[k], copies[k]);
    EXPECT_EQ(toboard(history.hist[61]), [&] {
        model::Board b = toboard(copies[60]);
        b.push({'L', 1}, model::Piece::X);
        return b;
    }());
}

// Whether move k (record k against record k - 1) changed cell idx.
bool cellchanged(int32_t k, int idx) {
    return history.hist[k].cell[idx] != history.hist[k - 1].cell[idx];
}

BBTEST(Board, FirstPushOnTheEmptyBoard) {
    fresh();
    domove('L', 0, 1);
    posrec want{};
    want.cell[0] = 1;
    want.row[0].xscore = 1;
    want.col[0].xscore = 1;
    want.xtotal = 2;
    want.xpieces = 1;
    EXPECT_TRUE(cellchanged(1, 0));
    expectsame(history.hist[1], want);
    EXPECT_EQ(current().row[0].xfull + current().col[0].xfull + current().xstraights, 0);
}

BBTEST(Board, OnlyCrossingLinesWhoseCellChangedAreRescored) {
    fresh();
    history.hist[0] = makerecord({"XO"});
    // Spoil the stored scores of columns 0 and 3: a rescore would repair them.
    history.hist[0].col[0].oscore = 77;
    history.hist[0].col[3].oscore = 55;
    domove('L', 0, 1);
    EXPECT_FALSE(cellchanged(1, 0));
    EXPECT_TRUE(cellchanged(1, 1));
    EXPECT_TRUE(cellchanged(1, 2));
    const posrec& r = history.hist[1];
    EXPECT_EQ(r.cell[0], 1);
    EXPECT_EQ(r.cell[1], 1);
    EXPECT_EQ(r.cell[2], 2);
    EXPECT_EQ(r.cell[3], 0);
    EXPECT_EQ(r.col[0].oscore, 77);  // kept its code, not rescored
    EXPECT_EQ(r.col[3].oscore, 55);  // not visited
    EXPECT_EQ(r.col[1].xscore, 1);
    EXPECT_EQ(r.col[1].oscore, 0);
    EXPECT_EQ(r.col[2].oscore, 1);
    EXPECT_EQ(r.row[0].xscore, 1 + 4);
    EXPECT_EQ(r.row[0].oscore, 1);
}

BBTEST(Board, FullLinesDropTheFarPieceAndOwnFullLinesStayPut) {
    using model::Piece;
    // Column 2 full, O at the bottom; X pushes from the top and the O leaves.
    std::vector<std::string> rows(N, std::string(N, '.'));
    for (int r = 0; r < N; r++) rows[r][2] = r % 2 ? 'O' : 'X';
    rows[N - 1][2] = 'O';
    fresh();
    history.hist[0] = makerecord(rows);
    int xs = history.hist[0].xpieces, os = history.hist[0].opieces;
    domove('T', 2, 1);
    EXPECT_EQ(history.hist[1].xpieces, xs + 1);
    EXPECT_EQ(history.hist[1].opieces, os - 1);
    model::Board want = toboard(history.hist[0]);
    EXPECT_TRUE(want.push({'T', 3}, Piece::X));
    EXPECT_EQ(toboard(history.hist[1]), want);
    expectconsistent(history.hist[1]);
    // The same column from the bottom by X: now the X at the top leaves; X count unchanged.
    domove('B', 2, 1);
    EXPECT_EQ(history.hist[2].xpieces, xs + 1);
    expectconsistent(history.hist[2]);

    // A row entirely X: an X push changes nothing, an O push drops the far X.
    rows.assign(N, std::string(N, '.'));
    rows[1] = std::string(N, 'X');
    fresh();
    history.hist[0] = makerecord(rows);
    EXPECT_EQ(history.hist[0].row[1].xscore, sumsize);
    EXPECT_EQ(history.hist[0].row[1].xfull, 1);
    EXPECT_EQ(history.hist[0].xstraights, 1);
    domove('R', 1, 1);
    for (int c = 0; c < N; c++) EXPECT_FALSE(cellchanged(1, N + c)) << c;
    expectsame(history.hist[1], history.hist[0]);
    domove('L', 1, 2);
    EXPECT_EQ(history.hist[2].xpieces, N - 1);
    EXPECT_EQ(history.hist[2].opieces, 1);
    EXPECT_EQ(history.hist[2].xstraights, 0);
    expectconsistent(history.hist[2]);
}

BBTEST(Board, RunScoresOfALine) {
    fresh();
    EXPECT_EQ(sumsize, N == 6 ? 91 : 140);
    // X X . X O X (and one more X for N = 7): the empty cell does not end the first run.
    std::string row = "XX.XOX";
    if (N == 7) row += "X";
    posrec rec = makerecord({row});
    EXPECT_EQ(rec.row[0].xscore, N == 6 ? 1 + 4 + 9 + 1 : 1 + 4 + 9 + 1 + 4);
    EXPECT_EQ(rec.row[0].oscore, 1);
    // Scanning direction does not matter: the mirrored row scores the same.
    posrec mirrored = makerecord({std::string(row.rbegin(), row.rend())});
    EXPECT_EQ(mirrored.row[0].xscore, rec.row[0].xscore);
    // Column scores use the same rule top to bottom.
    std::vector<std::string> rows;
    for (char ch : row) rows.push_back(std::string(1, ch));
    posrec col = makerecord(rows);
    EXPECT_EQ(col.col[0].xscore, rec.row[0].xscore);
    EXPECT_EQ(col.col[0].oscore, 1);
    // A full O column.
    std::vector<std::string> ocol(N, "O");
    posrec o = makerecord(ocol);
    EXPECT_EQ(o.col[0].oscore, sumsize);
    EXPECT_EQ(o.col[0].ofull, 1);
    EXPECT_EQ(o.ostraights, 1);
    EXPECT_EQ(o.xstraights, 0);
}

BBTEST(BoardDeath, AnUnknownSideLetterEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    fresh();
    EXPECT_EXIT(domove('l', 0, 1), testing::ExitedWithCode(1), "^huh 'l'\n$");
    EXPECT_EXIT(domove('Q', 2, 2), testing::ExitedWithCode(1), "^huh 'Q'\n$");
}

}  // namespace
