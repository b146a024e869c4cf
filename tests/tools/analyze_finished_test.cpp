// The analyser on finished games, on a chosen ply or game of a record file, and its board,
// all judged against the plain cell model.
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <sstream>

#include "model/cell_model.h"
#include "referee/players/process.h"

namespace {

referee::RunResult analyze(std::vector<std::string> args, const std::string& input) {
    referee::RunRequest req;
    req.argv = std::move(args);
    req.argv.insert(req.argv.begin(), ANALYZE);
    req.input = input;
    req.deadline = 60;
    req.keep = 1 << 20;
    return referee::runProcess(req);
}

struct Played {
    int n = 0;
    std::vector<model::Move> moves;
    model::Outcome outcome = model::Outcome::Open;  // of the last move, for its mover
    std::string record;                             // size line and moves
};

// A random game on the model until it is decided or reaches maxPlies. Small boards with
// moves drawn from few lines give both straights and repetitions.
Played randomGame(std::mt19937& rng, int n, int lines, int maxPlies) {
    Played p;
    p.n = n;
    model::Game game(n);
    std::vector<model::Move> all = model::allMoves(n);
    std::vector<model::Move> choice;
    for (const model::Move& m : all)
        if (m.line <= lines) choice.push_back(m);
    p.record = std::to_string(n) + "\n";
    while (p.outcome == model::Outcome::Open && game.plies() < maxPlies) {
        const model::Move m = choice[rng() % choice.size()];
        p.outcome = game.play(m);
        p.moves.push_back(m);
        p.record += model::moveName(m) + "\n";
    }
    return p;
}

// "X has won at ply K" as the model judges the game's last move.
std::string expectedVerdict(const Played& p) {
    const bool xMoved = p.moves.size() % 2 == 1;
    const bool moverWon = p.outcome == model::Outcome::Won;
    const bool xWon = xMoved == moverWon;
    return std::string(xWon ? "X" : "O") + " has won at ply " + std::to_string(p.moves.size());
}

// The cells of the drawing: rows are the lines that start with a row number after blanks.
std::vector<std::string> drawnRows(const std::string& text, int n) {
    std::vector<std::string> rows;
    std::istringstream in(text);
    static const std::regex row(" *(\\d+) [|<>](( [.XO])+) [|<>]");
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (!std::regex_match(line, m, row)) continue;
        EXPECT_EQ(std::stoi(m[1]), static_cast<int>(rows.size()) + 1) << line;
        std::string cells;
        for (size_t i = 1; i < m[2].str().size(); i += 2) cells += m[2].str()[i];
        rows.push_back(cells);
    }
    EXPECT_EQ(static_cast<int>(rows.size()), n) << text;
    return rows;
}

TEST(AnalyzeFinished, ReportsWhatTheModelJudgesWithoutSearching) {
    std::mt19937 rng(20261208);
    int straights = 0, repetitions = 0;
    for (int n = 2; n <= 5; n++) {
        for (int g = 0; g < 12; g++) {
            const Played p = randomGame(rng, n, g % 3 == 0 ? 1 : n, 60);
            if (p.outcome == model::Outcome::Open) continue;
            (p.outcome == model::Outcome::Repetition ? repetitions : straights)++;
            const auto r = analyze({}, p.record);
            ASSERT_EQ(r.status, 0) << p.record << r.err;
            EXPECT_EQ(r.out.rfind(expectedVerdict(p), 0), 0u) << p.record << r.out;
            EXPECT_EQ(r.out.find("info"), std::string::npos) << "searched: " << r.out;
            EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line: " << r.out;
            EXPECT_EQ(r.out.find("repeats a position") != std::string::npos,
                      p.outcome == model::Outcome::Repetition)
                << r.out;

            // One ply earlier the game is open: it is searched, and the drawn board is the
            // model's.
            const std::string plies = std::to_string(p.moves.size() - 1);
            const auto open = analyze({"--ply=" + plies, "--depth", "3", "--board"}, p.record);
            ASSERT_EQ(open.status, 0) << open.err;
            EXPECT_NE(open.out.find("\nbestmove "), std::string::npos) << open.out;
            model::Board board(n);
            for (size_t i = 0; i + 1 < p.moves.size(); i++)
                board.push(p.moves[i], i % 2 == 0 ? model::Piece::X : model::Piece::O);
            const std::vector<std::string> rows = drawnRows(open.out, n);
            for (int row = 0; row < n && row < static_cast<int>(rows.size()); row++)
                for (int c = 0; c < n; c++)
                    EXPECT_EQ(rows[row][c], model::pieceChar(board.at(row, c)))
                        << p.record << open.out;
        }
    }
    EXPECT_GT(straights, 3);
    EXPECT_GT(repetitions, 3);

    // The byte-board engine's positions are judged alike; a later decision in a record that
    // goes on past a repetition is not looked at: the first repetition ends the game.
    auto r = analyze({"--engine", "byteboard"}, "6\nL1\nL6\nL1\nL6\nL1\nL6\nL1\nL6\nL1\nL6\nL1\n");
    EXPECT_EQ(r.out, "X has won at ply 11: straights X 1, O 0\n") << r.err;
    // Row 1 of 3 x 3: X.., X.O, XXO, XOO, then L1 gives XXO with O to move again.
    r = analyze({}, "3\nL1\nR1\nL1\nR1\nL1\nL2\nL2\nL2\n");
    EXPECT_EQ(r.out.rfind("O has won at ply 5: X's move L1 repeats a position", 0), 0u) << r.out;
}

TEST(AnalyzeFinished, PliesAndGamesAreChosenAndCheckedAgainstTheRecord) {
    std::mt19937 rng(77);
    // Three games of a match file, written out of order as parallel games are.
    std::vector<Played> games;
    std::string file;
    for (int id : {2, 0, 1}) {
        Played p;
        do p = randomGame(rng, 4, 4, 80);
        while (p.outcome == model::Outcome::Open);
        file += p.record + "# game: " + std::to_string(id) + "\n# x: a\n# o: b\n# end\n\n";
        games.resize(std::max<size_t>(games.size(), id + 1));
        games[id] = p;
    }
    for (int id = 0; id < 3; id++) {
        const auto r = analyze({"--game", std::to_string(id)}, file);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.rfind(expectedVerdict(games[id]), 0), 0u) << id << ": " << r.out;
    }
    // Without --game: the first record in the file.
    auto r = analyze({}, file);
    EXPECT_EQ(r.out.rfind(expectedVerdict(games[2]), 0), 0u) << r.out;
    // --ply 0 is the empty board whatever the game; --ply beyond the record is refused.
    r = analyze({"--game=1", "--ply", "0", "--depth", "3", "--board"}, file);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("X to move; straights X 0, O 0\n"), std::string::npos) << r.out;
    const std::string length = std::to_string(games[1].moves.size());
    r = analyze({"--game=1", "--ply", std::to_string(games[1].moves.size() + 1)}, file);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("only " + length + " plies"), std::string::npos) << r.err;
    r = analyze({"--game", "3"}, file);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("# game: 3"), std::string::npos) << r.err;
    // "# game: 1" must match the whole line, not "# game: 10".
    r = analyze({"--game", "1", "--depth", "3"},
                "4\nL1\n# game: 10\n# end\n\n4\nL2\n# game: 1\n# end\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("after 1 plies"), std::string::npos) << r.err;
    r = analyze({"--game", "1", "--depth", "3", "--quiet"}, "4\nL2\n# game: 1\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_match(r.out, std::regex("[LRTB][1-4]\n"))) << r.out;
}

}  // namespace
