#include "referee/players/probe.h"

#include <cmath>
#include <map>
#include <mutex>
#include <random>

#include "bitrow/types.h"
#include "referee/text/escape.h"
#include "referee/text/number_text.h"

namespace referee {

namespace {

// The bit-row players' fixed time per move, "29.5", and the whole seconds that cover it.
std::string bitRowBudget() {
    return shortNumber(bitrow::turnBudgetMicros / 1e6);
}
long bitRowBudgetCeiling() {
    return (bitrow::turnBudgetMicros + 999999) / 1000000;
}

// How m ends on the bare board, positions before it aside: more straights wins, fewer loses.
// Cheap (no copy of the game's history); a move that wins here wins in the game unless it
// repeats a position.
model::Outcome boardOutcome(const model::Board& b, model::Piece mover, const model::Move& m) {
    model::Board t = b;
    t.push(m, mover);
    const int mine = t.straights(mover), theirs = t.straights(model::opponent(mover));
    return mine > theirs   ? model::Outcome::Won
           : mine < theirs ? model::Outcome::Lost
                           : model::Outcome::Open;
}

bool winsAtOnce(const model::Game& g, const model::Move& m) {
    if (boardOutcome(g.board(), g.toMove(), m) != model::Outcome::Won) return false;
    model::Game t = g;
    return t.play(m) == model::Outcome::Won;
}

// The mover wins within three plies with m: m itself wins, or every answer loses for the
// opponent at once or leaves the mover a move that wins at once.
bool forcesWin(const model::Game& g, const model::Move& m, const std::vector<model::Move>& all) {
    model::Game a = g;
    model::Outcome first = a.play(m);
    if (first == model::Outcome::Won) return true;
    if (first != model::Outcome::Open) return false;
    for (const model::Move& reply : all) {
        model::Game b = a;
        model::Outcome second = b.play(reply);
        if (second == model::Outcome::Lost || second == model::Outcome::Repetition) continue;
        if (second == model::Outcome::Won) return false;
        bool answered = false;
        for (const model::Move& last : all)
            if (winsAtOnce(b, last)) {
                answered = true;
                break;
            }
        if (!answered) return false;
    }
    return true;
}

std::vector<ProbePosition> findProbePositions(int n) {
    std::vector<ProbePosition> out;
    const std::vector<model::Move> all = model::allMoves(n);
    std::mt19937_64 rng(20261208u + static_cast<uint64_t>(n));
    for (int attempt = 0; attempt < 200 && out.empty(); attempt++) {
        model::Game g(n);
        for (int ply = 0; ply < 12 * n; ply++) {
            // The bare board sorts the moves; the game's own judgement (repetitions) is
            // asked only for a position that may be the one.
            std::vector<model::Move> wins, open;
            for (const model::Move& m : all) {
                model::Outcome o = boardOutcome(g.board(), g.toMove(), m);
                if (o == model::Outcome::Won) wins.push_back(m);
                if (o == model::Outcome::Open) open.push_back(m);
            }
            if (wins.size() == 1 && g.plies() >= 2 && winsAtOnce(g, wins[0])) {
                bool alone = true;
                for (const model::Move& m : all)
                    if (!(m == wins[0]) && forcesWin(g, m, all)) {
                        alone = false;
                        break;
                    }
                if (alone) {
                    out.push_back({g.moves(), wins[0]});
                    break;
                }
            }
            if (open.empty()) break;
            if (g.play(open[rng() % open.size()]) != model::Outcome::Open) break;  // a repeat
        }
    }
    if (out.empty()) return out;
    // The open position: the first plies of the same game, with no move that wins at once
    // for either side to spoil it.
    std::vector<model::Move> start(out[0].moves.begin(),
                                   out[0].moves.begin() + std::min<size_t>(2, out[0].moves.size()));
    out.push_back({start, std::nullopt});
    return out;
}

}  // namespace

std::vector<ProbePosition> probePositions(int n) {
    // Found once per size and process: both players of a match are probed on the same ones.
    static std::mutex lock;
    static std::map<int, std::vector<ProbePosition>> found;
    std::lock_guard<std::mutex> hold(lock);
    auto it = found.find(n);
    if (it == found.end()) it = found.emplace(n, findProbePositions(n)).first;
    return it->second;
}

std::optional<std::string> probePlayer(const PlayerSetup& p, int n, double margin, char side) {
    // The option that sets a thing: --a-time for a match's player a; time= in the --player
    // entry of a tournament's player (side 0).
    auto opt = [side](const char* what) {
        return side ? std::string("--") + side + "-" + what
                    : std::string(what) + "= of its --player";
    };
    for (const ProbePosition& pos : probePositions(n)) {
        std::string where = pos.win
                                ? "a position where " + model::moveName(*pos.win) + " wins at once"
                                : "an open position";
        RunResult raw;
        Turn turn = playTurn(p, n, pos.moves, margin, &raw);
        if (raw.end == RunResult::End::Interrupted) return std::nullopt;
        char secs[64];
        snprintf(secs, sizeof secs, "%.3f s of %g s", turn.seconds, p.time);
        if (!turn.move && turn.loss == Loss::Time) {
            return "on " + where + " it gave no move in time (" + secs +
                   " per move, plus the margin). Check its time per move (" + opt("time") +
                   "): shover8, shover16 and shover20 always think for " + bitRowBudget() +
                   " s and need --time " + std::to_string(bitRowBudgetCeiling()) +
                   " or more; 'analyze --quiet --time S' is the same player at another "
                   "budget. A byte-board player takes its time as an argument: check " +
                   opt("proto") + " (now " + protocolName(p.protocol) + ")";
        }
        if (!turn.move) {
            std::string said = raw.err.empty() ? "" : " (it said '" + escape(raw.err, 160) + "')";
            return "on " + where + " it " + turn.why + said +
                   ". Check its command line, its protocol (" + opt("proto") + ", now " +
                   protocolName(p.protocol) + ") and its working folder (" + opt("dir") + ", now " +
                   escape(p.dir, 100) + ")";
        }
        if (pos.win && !(*turn.move == *pos.win)) {
            return "on " + where + " it answered " + model::moveName(*turn.move) +
                   ". It probably reads another input: check its protocol (" + opt("proto") +
                   ", now " + protocolName(p.protocol) +
                   "; bitrow sends the size line first, byteboard only the moves)";
        }
    }
    return std::nullopt;
}

}  // namespace referee
