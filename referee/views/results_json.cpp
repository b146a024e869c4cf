#include "referee/views/results_json.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "referee/records/counts.h"
#include "referee/records/files.h"
#include "referee/stats/elo.h"

namespace referee {

namespace {

using nlohmann::json;

// JSON has no infinity: unbounded values are written as null.
json number(double v) {
    return std::isfinite(v) ? json(v) : json(nullptr);
}

// A score with its Elo estimate and likelihood of superiority; null where the games leave
// them undefined.
json wdlJson(const Wdl& w) {
    EloEstimate e = estimateElo(w.wins, w.draws, w.losses);
    return {{"wins", w.wins},
            {"draws", w.draws},
            {"losses", w.losses},
            {"elo", e.valid ? number(e.elo) : json(nullptr)},
            {"elo_low", e.valid ? number(e.low) : json(nullptr)},
            {"elo_high", e.valid ? number(e.high) : json(nullptr)},
            {"los", w.games() ? number(likelihoodOfSuperiority(w)) : json(nullptr)}};
}

// The name of a rating's kind in the JSON.
const char* kindName(PlayerRating::Kind k) {
    switch (k) {
        case PlayerRating::Kind::Finite:
            return "finite";
        case PlayerRating::Kind::Above:
            return "above";
        case PlayerRating::Kind::Below:
            return "below";
        case PlayerRating::Kind::Undecided:
            return "undecided";
        default:
            return "unlinked";
    }
}

// The run's settings as one object, by name.
json settingsJson(const Settings& settings) {
    json set = json::object();
    for (const auto& [name, value] : settings) set[name] = value;
    return set;
}

// Every game: who played which side of which opening, how it ended and the time it took.
json gamesJson(const std::vector<GameRecord>& records) {
    json games = json::array();
    for (const GameRecord& r : records) {
        games.push_back({{"game", r.game},
                         {"opening", r.opening},
                         {"x", r.x},
                         {"o", r.o},
                         {"result", resultText(r.winner)},
                         {"loss", lossName(r.loss)},
                         {"reason", r.reason},
                         {"plies", r.moves.size()},
                         {"time_x", r.timeX},
                         {"time_o", r.timeO}});
    }
    return games;
}

// A match's player: its score overall and with each side, with Elo estimates.
json matchPlayerJson(const std::vector<GameRecord>& records, const std::string& name) {
    Tally t = tally(records, name);
    json one = wdlJson(t.wdl());
    one["name"] = name;
    one["as_x"] = wdlJson(t.asX);
    one["as_o"] = wdlJson(t.asO);
    return one;
}

// The sequential test on the game pairs: its settings, the log-likelihood ratio so far, its
// bounds and the verdict.
json sprtJson(const SprtSettings& s, const Pentanomial& pc, SprtVerdict verdict) {
    double llr = sprtLlr(s, pc);
    return {{"elo0", s.elo0},
            {"elo1", s.elo1},
            {"alpha", s.alpha},
            {"beta", s.beta},
            {"llr", number(llr)},
            {"lower", s.lowerBound()},
            {"upper", s.upperBound()},
            {"verdict", verdict == SprtVerdict::AcceptH1   ? "H1"
                        : verdict == SprtVerdict::AcceptH0 ? "H0"
                                                           : "none"}};
}

// A match's statistics: each player's score, the Elo of the game pairs and the sequential
// test when there is one.
json matchStatistics(const MatchConfig& c, const std::vector<GameRecord>& records,
                     SprtVerdict verdict) {
    json stats;
    stats["games"] = records.size();
    json players = json::array();
    for (const PlayerSetup* p : entrants(c)) players.push_back(matchPlayerJson(records, p->name));
    Pentanomial pc = pairCounts(records, c.a.name);
    stats["pairs"] = pc.n;
    NormalizedElo ne = normalizedElo(pc);
    stats["normalized_elo"] = ne.valid ? number(ne.elo) : json(nullptr);
    stats["normalized_elo_margin"] = ne.valid ? number(ne.margin) : json(nullptr);
    if (c.sprt) stats["sprt"] = sprtJson(*c.sprt, pc, verdict);
    stats["players"] = players;
    return stats;
}

// Points of each player against each other, as [points, games]: cross[i][j] for i against j.
using CrossTable = std::vector<std::vector<std::pair<double, int>>>;

// The cross table of the rated games between n players.
CrossTable crossTable(const std::vector<RatedGame>& rated, size_t n) {
    CrossTable cell(n, std::vector<std::pair<double, int>>(n));
    for (const RatedGame& g : rated) {
        cell[g.x][g.o].first += g.result;
        cell[g.x][g.o].second++;
        cell[g.o][g.x].first += 1 - g.result;
        cell[g.o][g.x].second++;
    }
    return cell;
}

// Player i's points and games against each opponent it met, by the opponent's name.
json againstJson(const CrossTable& cell, const std::vector<std::string>& names, size_t i) {
    json row = json::object();
    for (size_t j = 0; j < names.size(); j++)
        if (j != i && cell[i][j].second)
            row[names[j]] = {{"points", cell[i][j].first}, {"games", cell[i][j].second}};
    return row;
}

// A rating with its kind and 95 % interval; null for an infinite bound.
json ratingJson(const PlayerRating& r) {
    return {{"kind", kindName(r.kind)},
            {"elo", number(r.elo)},
            {"low", number(r.low)},
            {"high", number(r.high)}};
}

// A tournament's statistics: each player's score, its cross-table row and its rating, or
// why the games could not be rated.
json tournamentStatistics(const MatchConfig& c, const std::vector<GameRecord>& records) {
    std::vector<std::string> names;
    for (const PlayerSetup* p : entrants(c)) names.push_back(p->name);
    std::vector<RatedGame> rated = ratedGames(records, names);
    RatingList list;
    auto wrong = rateGames(static_cast<int>(names.size()), rated, c.anchor, list);
    const CrossTable cell = crossTable(rated, names.size());
    json players = json::array();
    for (size_t i = 0; i < names.size(); i++) {
        Tally t = tally(records, names[i]);
        json one = {{"name", names[i]}, {"wins", t.wins}, {"draws", t.draws}, {"losses", t.losses}};
        one["against"] = againstJson(cell, names, i);
        if (!wrong) one["rating"] = ratingJson(list.players[i]);
        players.push_back(one);
    }
    json stats;
    stats["games"] = records.size();
    stats["anchor"] = names.empty() ? "" : names[c.anchor];
    if (!wrong) {
        stats["draw_nu"] = number(list.nu);
        stats["converged"] = list.converged;
    } else {
        stats["rating_error"] = *wrong;
    }
    stats["players"] = players;
    return stats;
}

}  // namespace

std::string resultsJson(const MatchConfig& c, const Settings& settings,
                        const std::vector<GameRecord>& records, SprtVerdict verdict) {
    json doc;
    doc["settings"] = settingsJson(settings);
    doc["games"] = gamesJson(records);
    doc["statistics"] = c.event == Event::Match ? matchStatistics(c, records, verdict)
                                                : tournamentStatistics(c, records);
    // Names and reasons may hold any bytes: invalid UTF-8 is replaced, not thrown on.
    return doc.dump(1, ' ', false, json::error_handler_t::replace) + "\n";
}

std::optional<std::string> writeResultsJson(const std::string& file, const MatchConfig& c,
                                            const Settings& settings,
                                            const std::vector<GameRecord>& records,
                                            SprtVerdict verdict) {
    return writeFileAtomically(file, resultsJson(c, settings, records, verdict));
}

}  // namespace referee
