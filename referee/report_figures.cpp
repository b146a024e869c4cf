#include "referee/report_figures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace referee {

namespace {

bool counts(const GameRecord& r) {
    return r.complete;
}

}  // namespace

MatchFigures matchFigures(const std::vector<GameRecord>& games) {
    MatchFigures f;
    std::vector<GameRecord> finished;
    for (const GameRecord& r : games)
        if (counts(r)) finished.push_back(r);
    f.counted = static_cast<int>(finished.size());
    // Players in the order of the match's games (game 0 has the referee's player A as X),
    // whatever order they finished in.
    std::vector<GameRecord> byGame = finished;
    std::stable_sort(byGame.begin(), byGame.end(),
                     [](const GameRecord& a, const GameRecord& b) { return a.game < b.game; });
    std::vector<std::string> names;
    for (const GameRecord& r : byGame)
        for (const std::string* n : {&r.x, &r.o})
            if (std::find(names.begin(), names.end(), *n) == names.end()) names.push_back(*n);
    for (const std::string& n : names) {
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
        f.players.push_back(p);
    }
    if (names.size() != 2) return f;
    const std::string& first = names[0];
    f.elo = estimateElo(f.players[0].all.wins, f.players[0].all.draws, f.players[0].all.losses);
    // Running totals, so that a report of n games costs O(n) and not O(n^2).
    Tally t;
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
        f.course.push_back(s);
    }
    return f;
}

std::vector<std::pair<std::string, std::vector<std::string>>> matchSettings(
    const std::vector<GameRecord>& games) {
    std::vector<std::pair<std::string, std::vector<std::string>>> out;
    for (const GameRecord& r : games)
        for (const auto& [name, value] : r.settings) {
            // A structured binding cannot be captured by clang 14: compare through a reference.
            const std::string& key = name;
            auto it =
                std::find_if(out.begin(), out.end(), [&](const auto& s) { return s.first == key; });
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
