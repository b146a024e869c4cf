// A plain cell-array model of the push game for any board size from 1 to 20.
//
// Nothing here is fast or clever on purpose: it is the reference that the engines are
// checked against and that the referee judges games with. It shares no code with them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace model {

constexpr int kMaxSize = 20;

enum class Piece : unsigned char { None = 0, X = 1, O = 2 };

inline Piece opponent(Piece p) {
    return p == Piece::X ? Piece::O : Piece::X;
}
inline char pieceChar(Piece p) {
    return p == Piece::X ? 'X' : p == Piece::O ? 'O' : '.';
}

// A move: the side the piece enters from ('L', 'R', 'T', 'B') and the row (L, R) or
// column (T, B) it enters, counted from 1.
struct Move {
    char side = 'L';
    int line = 1;
    bool operator==(const Move&) const = default;
};

// "L3", "T12", ...
std::string moveName(Move m);
// The move named by text for a board of size n, or nothing when text is not exactly
// a side letter and a number from 1 to n (no leading zeros, no blanks, no trailing text).
std::optional<Move> parseMove(std::string_view text, int n);
// Every move of a board of size n, in the order L1..Ln, R1..Rn, T1..Tn, B1..Bn.
std::vector<Move> allMoves(int n);

class Board {
  public:
    explicit Board(int n);

    int size() const { return n_; }
    Piece at(int row, int col) const { return cells_[row * n_ + col]; }
    void set(int row, int col, Piece p) { cells_[row * n_ + col] = p; }
    int count(Piece p) const;

    // Pushes a piece of `who` in from the move's side. Pieces in the line slide one cell
    // further up to the first empty cell; with no empty cell the far piece leaves.
    // Returns true when a piece left the board.
    bool push(Move m, Piece who);

    // Rows and columns filled entirely with p.
    int straights(Piece p) const;

    bool operator==(const Board&) const = default;

  private:
    int n_;
    std::vector<Piece> cells_;
};

// How a move leaves the game, seen from the side that made it.
enum class Outcome { Open, Won, Lost, Repetition };

// A game as the referee sees it: the positions so far and the side to move.
class Game {
  public:
    explicit Game(int n);

    int size() const { return board_.size(); }
    const Board& board() const { return board_; }
    Piece toMove() const { return toMove_; }
    int plies() const { return static_cast<int>(moves_.size()); }
    const std::vector<Move>& moves() const { return moves_; }

    // Plays m for the side to move and judges the result: a repeated position (same
    // cells, same side to move) loses for the mover; otherwise more straights wins and
    // fewer loses. The move is recorded whatever the outcome.
    Outcome play(Move m);

  private:
    Board board_;
    Piece toMove_ = Piece::X;
    std::vector<Move> moves_;
    std::vector<std::pair<Board, Piece>> seen_;
};

}  // namespace model
