#include "referee/views/report_figures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <string_view>

#include "referee/records/counts.h"
#include "referee/stats/sprt.h"

namespace referee {

namespace {

bool counts(const GameRecord& r) {
    return r.complete;
}

// The test of the latest run: a resumed match may have changed it, and the referee judges all
// games with the test of the run that plays.
std::optional<SprtSettings> latestSprt(const std::vector<GameRecord>& games) {
    for (auto r = games.rbegin(); r != games.rend(); ++r)
        for (const auto& [name, value] : r->settings)
            if (name == "sprt") return recordedSprt(value);
    return std::nullopt;
}

}  // namespace

std::optional<SprtSettings> recordedSprt(const std::string& value) {
    if (value == "none") return std::nullopt;
    SprtSettings s;
    if (parseSprt({value}, s)) return std::nullopt;
    return s;
}

namespace {

// Players in the order of the match's games (game 0 has the referee's player A as X),
// whatever order they finished in.
std::vector<std::string> playersInGameOrder(const std::vector<GameRecord>& finished) {
    std::vector<GameRecord> byGame = finished;
    std::stable_sort(byGame.begin(), byGame.end(),
                     [](const GameRecord& a, const GameRecord& b) { return a.game < b.game; });
    std::vector<std::string> names;
    for (const GameRecord& r : byGame)
        for (const std::string* n : {&r.x, &r.o})
            if (std::find(names.begin(), names.end(), *n) == names.end()) names.push_back(*n);
    return names;
}

PlayerFigures playerFigures(const std::vector<GameRecord>& finished, const std::string& n) {
    PlayerFigures p;
    p.name = n;
    std::vector<GameRecord> asX, asO;
    for (const GameRecord& r : finished) {
        if (r.x == n) asX.push_back(r);
        if (r.o == n) asO.push_back(r);
    }
    p.all = tally(finished, n);
    p.asX = tally(asX, n);
    p.asO = tally(asO, n);
    p.drawRatio = drawRatio(p.all.wdl());
    return p;
}

// More than two players: the games as rated games and the rating list.
void rateField(const std::vector<GameRecord>& finished, const std::vector<std::string>& names,
               MatchFigures& f) {
    for (const GameRecord& r : finished) {
        RatedGame g;
        g.x = static_cast<int>(std::find(names.begin(), names.end(), r.x) - names.begin());
        g.o = static_cast<int>(std::find(names.begin(), names.end(), r.o) - names.begin());
        g.result = r.winner == Winner::X ? 1 : r.winner == Winner::O ? 0 : 0.5;
        // A player against itself cannot be rated; such a game says nothing about
        // strength.
        if (g.x != g.o) f.rated.push_back(g);
    }
    RatingList list;
    if (!rateGames(static_cast<int>(names.size()), f.rated, 0, list)) f.ratings = list;
}

// The course of a match of two, game by game from the first player's side, and when the
// test (if any) decided. Running totals, so that a report of n games costs O(n) and not
// O(n^2): a pair is counted when its second game finishes.
void matchCourse(const std::vector<GameRecord>& games, const std::string& first,
                 const std::optional<SprtSettings>& test, MatchFigures& f) {
    Tally t;
    Pentanomial pairsSoFar;
    std::map<int, const GameRecord*> halfPairs;
    for (size_t i = 0; i < games.size(); i++) {
        const GameRecord& r = games[i];
        if (!counts(r)) continue;
        Tally one = tally({r}, first);
        t.wins += one.wins;
        t.draws += one.draws;
        t.losses += one.losses;
        ScorePoint s;
        s.game = static_cast<int>(i);
        s.played = t.games();
        s.score = t.score();
        s.elo = estimateElo(t.wins, t.draws, t.losses);
        if (test) {
            auto [other, isNew] =
                r.game >= 0 ? halfPairs.emplace(r.game / 2, &r) : std::pair{halfPairs.end(), true};
            if (!isNew) {
                Pentanomial one = pairCounts({*other->second, r}, first);
                for (size_t k = 0; k < one.n.size(); k++) pairsSoFar.n[k] += one.n[k];
                halfPairs.erase(other);
            }
            s.llr = sprtLlr(*test, pairsSoFar);
            if (f.sprt->verdict == SprtVerdict::Continue) {
                f.sprt->verdict = sprtVerdict(*test, s.llr);
                if (f.sprt->verdict != SprtVerdict::Continue) f.sprt->decidedAfter = s.played;
            }
        }
        f.course.push_back(s);
    }
}

}  // namespace

MatchFigures matchFigures(const std::vector<GameRecord>& games) {
    MatchFigures f;
    std::vector<GameRecord> finished;
    for (const GameRecord& r : games)
        if (counts(r)) finished.push_back(r);
    f.counted = static_cast<int>(finished.size());
    const std::vector<std::string> names = playersInGameOrder(finished);
    for (const std::string& n : names) f.players.push_back(playerFigures(finished, n));
    if (names.size() > 2) {
        rateField(finished, names, f);
        return f;
    }
    if (names.size() != 2) return f;
    // A match of two: Elo, pairs, the sequential test and the course.
    const std::string& first = names[0];
    f.elo = estimateElo(f.players[0].all.wins, f.players[0].all.draws, f.players[0].all.losses);
    f.los = likelihoodOfSuperiority(f.players[0].all.wdl());
    f.pairs = pairCounts(finished, first);
    f.normalized = normalizedElo(f.pairs);
    std::optional<SprtSettings> test = latestSprt(games);
    if (test) {
        SprtFigures s;
        s.settings = *test;
        s.llr = sprtLlr(*test, f.pairs);
        s.lower = test->lowerBound();
        s.upper = test->upperBound();
        f.sprt = s;
    }
    matchCourse(games, first, test, f);
    return f;
}

std::vector<std::pair<std::string, std::vector<std::string>>> settingValues(
    const std::vector<GameRecord>& games) {
    std::vector<std::pair<std::string, std::vector<std::string>>> out;
    for (const GameRecord& r : games)
        for (const auto& setting : r.settings) {
            // Not a structured binding: clang 14 cannot capture those in the lambda.
            const std::string &name = setting.first, &value = setting.second;
            auto it = std::find_if(out.begin(), out.end(),
                                   [&](const auto& s) { return s.first == name; });
            if (it == out.end()) {
                out.push_back({name, {value}});
            } else if (std::find(it->second.begin(), it->second.end(), value) == it->second.end()) {
                it->second.push_back(value);
            }
        }
    return out;
}

std::vector<std::optional<double>> plyTimes(const GameRecord& r) {
    std::vector<std::optional<double>> times;
    // A list that does not match the plies would put times against the wrong moves.
    if (r.moveTimes.size() != r.moves.size()) return times;
    for (double t : r.moveTimes) times.push_back(t < 0 ? std::nullopt : std::optional<double>(t));
    return times;
}

std::vector<GameNote> gameNotes(const GameRecord& r) {
    std::vector<GameNote> notes;
    for (const auto& [key, value] : r.extra) {
        if (key != "stderr" && key != "note") continue;
        GameNote n;
        n.kind = key;
        n.text = value;
        // "ply 12 x: text"
        if (value.compare(0, 4, "ply ") == 0) {
            size_t digits = value.find_first_not_of("0123456789", 4);
            int ply = 0;
            auto [end, ec] = std::from_chars(value.data() + 4, value.data() + value.size(), ply);
            if (ec == std::errc() && digits != std::string::npos && end == value.data() + digits &&
                ply >= 1 && value.size() >= digits + 3 && value[digits] == ' ' &&
                (value[digits + 1] == 'x' || value[digits + 1] == 'o') &&
                value[digits + 2] == ':') {
                n.ply = ply;
                n.side = value[digits + 1];
                n.text = value.substr(std::min(value.size(), digits + 4));
            }
        }
        notes.push_back(n);
    }
    return notes;
}

std::string howEnded(const GameRecord& r) {
    if (!r.complete) return "unfinished";
    if (r.winner != Winner::None) return lossName(r.loss);
    if (r.reason.compare(0, 8, "move cap") == 0) return "move cap";
    return "draw";
}

}  // namespace referee
