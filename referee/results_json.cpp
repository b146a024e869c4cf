#include "referee/results_json.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

#include "referee/elo.h"

namespace referee {

namespace {

using nlohmann::json;

// JSON has no infinity: unbounded values are written as null.
json number(double v) {
    return std::isfinite(v) ? json(v) : json(nullptr);
}

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

}  // namespace

std::string resultsJson(const MatchConfig& c, const Settings& settings,
                        const std::vector<GameRecord>& records, SprtVerdict verdict) {
    json doc;
    json set = json::object();
    for (const auto& [name, value] : settings) set[name] = value;
    doc["settings"] = set;
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
    doc["games"] = games;
    json stats;
    std::vector<std::string> names;
    for (const PlayerSetup* p : entrants(c)) names.push_back(p->name);
    stats["games"] = records.size();
    json players = json::array();
    if (c.event == Event::Match) {
        for (const PlayerSetup* p : entrants(c)) {
            Tally t = tally(records, p->name);
            json one = wdlJson(t.wdl());
            one["name"] = p->name;
            one["as_x"] = wdlJson(t.asX);
            one["as_o"] = wdlJson(t.asO);
            players.push_back(one);
        }
        Pentanomial pc = pairCounts(records, c.a.name);
        stats["pairs"] = pc.n;
        NormalizedElo ne = normalizedElo(pc);
        stats["normalized_elo"] = ne.valid ? number(ne.elo) : json(nullptr);
        stats["normalized_elo_margin"] = ne.valid ? number(ne.margin) : json(nullptr);
        if (c.sprt) {
            double llr = sprtLlr(*c.sprt, pc);
            stats["sprt"] = {{"elo0", c.sprt->elo0},
                             {"elo1", c.sprt->elo1},
                             {"alpha", c.sprt->alpha},
                             {"beta", c.sprt->beta},
                             {"llr", number(llr)},
                             {"lower", c.sprt->lowerBound()},
                             {"upper", c.sprt->upperBound()},
                             {"verdict", verdict == SprtVerdict::AcceptH1   ? "H1"
                                         : verdict == SprtVerdict::AcceptH0 ? "H0"
                                                                            : "none"}};
        }
    } else {
        std::vector<RatedGame> rated = ratedGames(records, names);
        RatingList list;
        auto wrong = rateGames(static_cast<int>(names.size()), rated, c.anchor, list);
        // Points of each player against each other, as [points, games].
        json cross = json::array();
        std::vector<std::vector<std::pair<double, int>>> cell(
            names.size(), std::vector<std::pair<double, int>>(names.size()));
        for (const RatedGame& g : rated) {
            cell[g.x][g.o].first += g.result;
            cell[g.x][g.o].second++;
            cell[g.o][g.x].first += 1 - g.result;
            cell[g.o][g.x].second++;
        }
        for (size_t i = 0; i < names.size(); i++) {
            Tally t = tally(records, names[i]);
            json one = {
                {"name", names[i]}, {"wins", t.wins}, {"draws", t.draws}, {"losses", t.losses}};
            json row = json::object();
            for (size_t j = 0; j < names.size(); j++)
                if (j != i && cell[i][j].second)
                    row[names[j]] = {{"points", cell[i][j].first}, {"games", cell[i][j].second}};
            one["against"] = row;
            if (!wrong) {
                const PlayerRating& r = list.players[i];
                one["rating"] = {{"kind", kindName(r.kind)},
                                 {"elo", number(r.elo)},
                                 {"low", number(r.low)},
                                 {"high", number(r.high)}};
            }
            players.push_back(one);
        }
        stats["anchor"] = names.empty() ? "" : names[c.anchor];
        if (!wrong) {
            stats["draw_nu"] = number(list.nu);
            stats["converged"] = list.converged;
        } else {
            stats["rating_error"] = *wrong;
        }
    }
    stats["players"] = players;
    doc["statistics"] = stats;
    // Names and reasons may hold any bytes: invalid UTF-8 is replaced, not thrown on.
    return doc.dump(1, ' ', false, json::error_handler_t::replace) + "\n";
}

std::optional<std::string> writeResultsJson(const std::string& file, const MatchConfig& c,
                                            const Settings& settings,
                                            const std::vector<GameRecord>& records,
                                            SprtVerdict verdict) {
    std::string text = resultsJson(c, settings, records, verdict);
    std::string temp = file + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            return "cannot write " + file;
        }
    }
    if (std::rename(temp.c_str(), file.c_str()) != 0) {
        std::remove(temp.c_str());
        return "cannot write " + file;
    }
    return std::nullopt;
}

}  // namespace referee
