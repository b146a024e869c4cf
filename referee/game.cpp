#include "referee/game.h"

#include <cstdio>

#include "referee/escape.h"
#include "referee/process.h"
#include "referee/show.h"

namespace referee {

namespace {

constexpr size_t kStderrPerTurn = 2000;       // bytes of a turn's standard error in the record
constexpr size_t kStderrPerGame = 64 * 1024;  // and of all turns together

// Sets the result for a move judged by the model, seen from the side that made it.
void judge(GameRecord& r, model::Outcome outcome, bool xMoved, const std::string& who) {
    Winner mover = xMoved ? Winner::X : Winner::O, other = xMoved ? Winner::O : Winner::X;
    std::string ply = " at ply " + std::to_string(r.moves.size());
    switch (outcome) {
        case model::Outcome::Open:
            return;
        case model::Outcome::Won:
            r.winner = mover;
            r.loss = Loss::Straights;
            r.reason = who + " has more straights" + ply;
            return;
        case model::Outcome::Lost:
            r.winner = other;
            r.loss = Loss::Straights;
            r.reason = who + " gave the opponent more straights" + ply;
            return;
        case model::Outcome::Repetition:
            r.winner = other;
            r.loss = Loss::Repetition;
            r.reason = who + " repeated a position" + ply;
            return;
    }
}

std::string header(int ply, bool x, const PlayerSetup& p, const std::string& move, double secs,
                   const model::Board& b) {
    char buf[256];
    snprintf(buf, sizeof buf, "ply %d: %c (%s) %s in %.2f s; straights X %d, O %d\n", ply,
             x ? 'X' : 'O', escape(p.name, 60).c_str(), move.c_str(), secs,
             b.straights(model::Piece::X), b.straights(model::Piece::O));
    return buf;
}

}  // namespace

namespace {

// The record of a game about to start: who plays, from which opening, with which settings.
GameRecord startRecord(const GameSetup& s) {
    GameRecord r;
    r.size = s.size;
    r.game = s.game;
    r.opening = s.openingIndex;
    r.x = s.x->name;
    r.o = s.o->name;
    if (s.settings) r.settings = *s.settings;
    return r;
}

// Plays the opening's moves as the referee's own. True when the opening already ends the
// game.
bool playOpening(const GameSetup& s, GameRecord& r, model::Game& game) {
    for (const model::Move& m : s.opening) {
        bool xMoved = game.toMove() == model::Piece::X;
        model::Outcome outcome = game.play(m);
        r.moves.push_back(m);
        r.moveTimes.push_back(-1);
        r.openingPlies++;
        if (outcome != model::Outcome::Open) {
            judge(r, outcome, xMoved, xMoved ? "X" : "O");
            r.reason += " (in the opening)";
            return true;
        }
    }
    return false;
}

// One player's turn of a game in progress.
class TurnPlayer {
  public:
    TurnPlayer(const GameSetup& s, GameRecord& r, model::Game& game) : s(s), r(r), game(game) {}

    enum class Next { Go, Over, Interrupted };
    Next play();

  private:
    // Keeps the turn's standard error in the record, within the game's allowance.
    void keepStderr(const RunResult& raw, const std::string& tag);

    const GameSetup& s;
    GameRecord& r;
    model::Game& game;
    size_t stderrKept = 0;
};

void TurnPlayer::keepStderr(const RunResult& raw, const std::string& tag) {
    if (raw.err.empty() || stderrKept >= kStderrPerGame) return;
    bool cut = raw.errCut || raw.err.size() > kStderrPerTurn;
    std::string kept = raw.err.substr(0, kStderrPerTurn);
    stderrKept += kept.size();
    r.extra.push_back({"stderr", tag + kept + (cut ? " [cut]" : "")});
}

TurnPlayer::Next TurnPlayer::play() {
    if (static_cast<int>(r.moves.size()) >= s.maxPlies) {
        r.winner = Winner::None;
        r.loss = Loss::None;
        r.reason = "move cap of " + std::to_string(s.maxPlies) + " plies";
        return Next::Over;
    }
    bool xMoves = game.toMove() == model::Piece::X;
    const PlayerSetup& p = xMoves ? *s.x : *s.o;
    std::string who = std::string(xMoves ? "X" : "O") + " (" + p.name + ")";
    RunResult raw;
    Turn turn = playTurn(p, s.size, r.moves, s.margin, &raw);
    if (raw.end == RunResult::End::Interrupted) return Next::Interrupted;
    (xMoves ? r.timeX : r.timeO) += turn.seconds;
    std::string tag =
        "ply " + std::to_string(r.moves.size() + 1) + " " + (xMoves ? "x" : "o") + ": ";
    keepStderr(raw, tag);
    if (!turn.note.empty()) r.extra.push_back({"note", tag + turn.note});
    if (!turn.move) {
        r.winner = xMoves ? Winner::O : Winner::X;
        r.loss = turn.loss;
        r.reason = who + " " + turn.why + " at ply " + std::to_string(r.moves.size() + 1);
        if (s.show)
            s.show(header(static_cast<int>(r.moves.size()) + 1, xMoves, p, "-", turn.seconds,
                          game.board()) +
                   "  " + r.reason + "\n");
        return Next::Over;
    }
    model::Outcome outcome = game.play(*turn.move);
    r.moves.push_back(*turn.move);
    r.moveTimes.push_back(turn.seconds);
    if (s.show)
        s.show(header(static_cast<int>(r.moves.size()), xMoves, p, model::moveName(*turn.move),
                      turn.seconds, game.board()) +
               drawBoard(game.board(), turn.move));
    if (outcome == model::Outcome::Open) return Next::Go;
    judge(r, outcome, xMoves, who);
    return Next::Over;
}

}  // namespace

std::optional<GameRecord> playGame(const GameSetup& s) {
    GameRecord r = startRecord(s);
    model::Game game(s.size);
    bool over = playOpening(s, r, game);
    if (s.show)
        s.show("opening: " + std::to_string(r.openingPlies) + " plies\n" +
               drawBoard(game.board(), std::nullopt));
    TurnPlayer turns(s, r, game);
    while (!over) {
        const TurnPlayer::Next next = turns.play();
        if (next == TurnPlayer::Next::Interrupted) return std::nullopt;
        over = next == TurnPlayer::Next::Over;
    }
    if (s.show) s.show(std::string("result: ") + resultText(r.winner) + ", " + r.reason + "\n");
    r.complete = true;
    return r;
}

}  // namespace referee
