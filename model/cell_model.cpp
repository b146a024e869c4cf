#include "model/cell_model.h"

#include <algorithm>
#include <stdexcept>

namespace model {

std::string moveName(Move m) {
    return std::string(1, m.side) + std::to_string(m.line);
}

std::optional<Move> parseMove(std::string_view text, int n) {
    if (text.size() < 2 || text.size() > 3) return std::nullopt;
    char side = text[0];
    if (side != 'L' && side != 'R' && side != 'T' && side != 'B') return std::nullopt;
    int line = 0;
    for (size_t i = 1; i < text.size(); i++) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        line = line * 10 + (text[i] - '0');
    }
    if (text[1] == '0' || line < 1 || line > n) return std::nullopt;
    return Move{side, line};
}

std::vector<Move> allMoves(int n) {
    std::vector<Move> out;
    for (char side : {'L', 'R', 'T', 'B'})
        for (int k = 1; k <= n; k++) out.push_back({side, k});
    return out;
}

Board::Board(int n) : n_(n) {
    if (n < 1 || n > kMaxSize) throw std::invalid_argument("board size out of range");
    cells_.assign(n * n, Piece::None);
}

int Board::count(Piece p) const {
    return static_cast<int>(std::count(cells_.begin(), cells_.end(), p));
}

bool Board::push(Move m, Piece who) {
    // The cells of the pushed line, listed from the entry edge inward.
    std::vector<std::pair<int, int>> line;
    int k = m.line - 1;
    for (int i = 0; i < n_; i++) {
        switch (m.side) {
            case 'L':
                line.push_back({k, i});
                break;
            case 'R':
                line.push_back({k, n_ - 1 - i});
                break;
            case 'T':
                line.push_back({i, k});
                break;
            case 'B':
                line.push_back({n_ - 1 - i, k});
                break;
            default:
                throw std::invalid_argument("bad side");
        }
    }
    // The first empty cell absorbs the push; without one the last cell's piece leaves.
    int stop = n_ - 1;
    bool leaves = true;
    for (int i = 0; i < n_; i++) {
        if (at(line[i].first, line[i].second) == Piece::None) {
            stop = i;
            leaves = false;
            break;
        }
    }
    for (int i = stop; i > 0; i--)
        set(line[i].first, line[i].second, at(line[i - 1].first, line[i - 1].second));
    set(line[0].first, line[0].second, who);
    return leaves;
}

int Board::straights(Piece p) const {
    int total = 0;
    for (int r = 0; r < n_; r++) {
        bool full = true;
        for (int c = 0; c < n_; c++) full = full && at(r, c) == p;
        total += full;
    }
    for (int c = 0; c < n_; c++) {
        bool full = true;
        for (int r = 0; r < n_; r++) full = full && at(r, c) == p;
        total += full;
    }
    return total;
}

Game::Game(int n) : board_(n) {
    seen_.push_back({board_, toMove_});
}

Outcome Game::play(Move m) {
    Piece mover = toMove_;
    board_.push(m, mover);
    toMove_ = opponent(mover);
    moves_.push_back(m);
    std::pair<Board, Piece> now{board_, toMove_};
    bool repeated = std::find(seen_.begin(), seen_.end(), now) != seen_.end();
    seen_.push_back(std::move(now));
    if (repeated) return Outcome::Repetition;
    int mine = board_.straights(mover), theirs = board_.straights(toMove_);
    if (mine > theirs) return Outcome::Won;
    if (mine < theirs) return Outcome::Lost;
    return Outcome::Open;
}

}  // namespace model
