#include "referee/play/game.h"

#include <cstdio>

#include "referee/players/process.h"
#include "referee/text/escape.h"

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
    void show(GameEvent::Kind kind, int ply, bool x, const PlayerSetup& p, const Turn& turn) const;

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

void TurnPlayer::show(GameEvent::Kind kind, int ply, bool x, const PlayerSetup& p,
                      const Turn& turn) const {
    if (!s.show) return;
    GameEvent e;
    e.kind = kind;
    e.game = s.game;
    e.ply = ply;
    e.x = x;
    e.player = &p;
    e.move = turn.move;
    e.seconds = turn.seconds;
    e.board = &game.board();
    e.record = &r;
    s.show(e);
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
    // The times as the record keeps them, so that the tables of this run and of its records
    // read back agree.
    const double seconds = recordedSeconds(turn.seconds);
    double& used = xMoves ? r.timeX : r.timeO;
    used = recordedSeconds(used + seconds);
    std::string tag =
        "ply " + std::to_string(r.moves.size() + 1) + " " + (xMoves ? "x" : "o") + ": ";
    keepStderr(raw, tag);
    if (!turn.note.empty()) r.extra.push_back({"note", tag + turn.note});
    if (!turn.move) {
        r.winner = xMoves ? Winner::O : Winner::X;
        r.loss = turn.loss;
        r.reason = who + " " + turn.why + " at ply " + std::to_string(r.moves.size() + 1);
        show(GameEvent::Kind::NoMove, static_cast<int>(r.moves.size()) + 1, xMoves, p, turn);
        return Next::Over;
    }
    model::Outcome outcome = game.play(*turn.move);
    r.moves.push_back(*turn.move);
    r.moveTimes.push_back(seconds);
    show(GameEvent::Kind::Move, static_cast<int>(r.moves.size()), xMoves, p, turn);
    if (outcome == model::Outcome::Open) return Next::Go;
    judge(r, outcome, xMoves, who);
    return Next::Over;
}

}  // namespace

std::optional<GameRecord> playGame(const GameSetup& s) {
    GameRecord r = startRecord(s);
    model::Game game(s.size);
    bool over = playOpening(s, r, game);
    // Shows the game's start or end.
    auto showStep = [&](GameEvent::Kind kind) {
        if (!s.show) return;
        GameEvent e;
        e.kind = kind;
        e.game = s.game;
        e.ply = static_cast<int>(r.moves.size());
        e.board = &game.board();
        e.record = &r;
        s.show(e);
    };
    showStep(GameEvent::Kind::Opening);
    TurnPlayer turns(s, r, game);
    while (!over) {
        const TurnPlayer::Next next = turns.play();
        if (next == TurnPlayer::Next::Interrupted) return std::nullopt;
        over = next == TurnPlayer::Next::Over;
    }
    r.complete = true;
    showStep(GameEvent::Kind::Result);
    return r;
}

}  // namespace referee
