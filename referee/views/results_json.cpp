#include "referee/views/results_json.h"

#include <cmath>
#include <ctime>
#include <nlohmann/json.hpp>

#include "referee/records/files.h"

namespace referee {

namespace {

using Json = nlohmann::ordered_json;

// JSON has no infinity: infinite values are written as the strings "inf" and "-inf".
Json number(double v) {
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    if (std::isnan(v)) return nullptr;
    return v;
}

// Times are measured to the microsecond and summed in floating point (7.814729576000001):
// they are written to the millisecond.
Json seconds(double v) {
    if (!std::isfinite(v)) return number(v);
    return std::round(v * 1000) / 1000;
}

// A score with its Elo estimate, likelihood of superiority and draw ratio; null where the
// games leave them undefined.
Json standingJson(const Standing& s) {
    const Wdl& w = s.wdl;
    const bool any = w.games() > 0;
    return {{"wins", w.wins},
            {"draws", w.draws},
            {"losses", w.losses},
            {"games", w.games()},
            {"points", w.points()},
            {"score", any ? number(s.elo.score) : Json()},
            {"draw_ratio", any ? number(s.drawRatio) : Json()},
            {"elo", s.elo.valid ? number(s.elo.elo) : Json()},
            {"elo_low", s.elo.valid ? number(s.elo.low) : Json()},
            {"elo_high", s.elo.valid ? number(s.elo.high) : Json()},
            {"los", any ? number(s.los) : Json()}};
}

Json playerJson(const PlayerResults& p) {
    Json lost = Json::object();
    for (Loss l : {Loss::Time, Loss::Crash, Loss::Illegal, Loss::Repetition, Loss::Straights})
        lost[lossName(l)] = p.lostBy[static_cast<int>(l)];
    const MoveTimes& m = p.moveTimes;
    return {
        {"name", p.name},
        {"time", p.time > 0 ? seconds(p.time) : Json()},
        {"all", standingJson(p.all)},
        {"as_x", standingJson(p.asX)},
        {"as_o", standingJson(p.asO)},
        {"lost_by", lost},
        {"move_times", m.moves ? Json{{"moves", m.moves},
                                      {"mean", seconds(m.mean)},
                                      {"slowest", seconds(m.slowest)},
                                      {"least_left", p.time > 0 ? seconds(m.leastLeft) : Json()}}
                               : Json()}};
}

Json eventJson(const EventInfo& e) {
    Json players = Json::array();
    for (const EventInfo::Entrant& p : e.players)
        players.push_back({{"name", p.name}, {"time", p.time > 0 ? seconds(p.time) : Json()}});
    Json sprt;
    if (e.sprt)
        sprt = {{"elo0", e.sprt->elo0},
                {"elo1", e.sprt->elo1},
                {"alpha", e.sprt->alpha},
                {"beta", e.sprt->beta}};
    return {
        {"kind", eventName(e.event)},
        {"size", e.size},
        {"players", players},
        {"anchor", static_cast<size_t>(e.anchor) < e.players.size() ? Json(e.players[e.anchor].name)
                                                                    : Json()},
        {"planned_games", e.planned > 0 ? Json(e.planned) : Json()},
        {"sprt", sprt}};
}

// A match of two: the pairs with the normalised Elo, the test and the course; nulls
// otherwise.
void matchJson(const Results& r, Json& out) {
    out["pairs"] = nullptr;
    out["sprt"] = nullptr;
    out["course"] = Json::array();
    if (!r.pairs) return;
    const NormalizedElo& ne = *r.normalized;
    out["pairs"] = {{"counts", r.pairs->n},
                    {"pairs", r.pairs->pairs()},
                    {"normalized_elo", ne.valid ? number(ne.elo) : Json()},
                    {"normalized_elo_margin", ne.valid ? number(ne.margin) : Json()},
                    {"normalized_elo_low", ne.valid ? number(ne.low) : Json()},
                    {"normalized_elo_high", ne.valid ? number(ne.high) : Json()},
                    {"los", r.pairs->pairs() ? number(*r.pairLos) : Json()}};
    if (r.sprt) {
        const SprtState& t = *r.sprt;
        out["sprt"] = {{"llr", number(t.llr)},
                       {"lower", t.lower},
                       {"upper", t.upper},
                       {"verdict", sprtVerdictText(t.verdict)},
                       {"decided_after", t.decidedAfter ? Json(t.decidedAfter) : Json()}};
    }
    for (const CoursePoint& c : r.course) {
        Json point = {{"index", c.index},
                      {"game", c.game},
                      {"played", c.played},
                      {"points", c.score},
                      {"score", number(c.elo.score)},
                      {"elo", number(c.elo.elo)},
                      {"elo_low", number(c.elo.low)},
                      {"elo_high", number(c.elo.high)}};
        if (r.sprt) point["llr"] = number(c.llr);
        out["course"].push_back(point);
    }
}

// The name of a rating's kind.
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

// A tournament: the rating list (in the players' order) and the cross table; null
// otherwise.
Json ratingsJson(const Results& r) {
    if (!r.ratings) return nullptr;
    const RatingResults& t = *r.ratings;
    Json cross = Json::array();
    for (const auto& row : t.cross) {
        Json cells = Json::array();
        for (const CrossCell& c : row)
            cells.push_back(c.games ? Json{{"points", c.points}, {"games", c.games}} : Json());
        cross.push_back(cells);
    }
    Json out = {{"error", t.error.empty() ? Json() : Json(t.error)}, {"cross", cross}};
    if (!t.list) return out;
    std::vector<Json> rank(t.list->players.size());
    for (size_t pos = 0; pos < t.order.size() && pos < t.rank.size(); pos++)
        if (static_cast<size_t>(t.order[pos]) < rank.size()) rank[t.order[pos]] = t.rank[pos];
    Json list = Json::array();
    for (size_t i = 0; i < t.list->players.size(); i++) {
        const PlayerRating& p = t.list->players[i];
        list.push_back({{"kind", kindName(p.kind)},
                        {"elo", number(p.elo)},
                        {"low", number(p.low)},
                        {"high", number(p.high)},
                        {"games", p.games},
                        {"points", p.points},
                        {"rank", rank[i]}});
    }
    out["players"] = list;
    out["order"] = t.order;
    out["draw_nu"] = number(t.list->nu);
    out["draw_equal"] = number(t.list->drawEqual);
    const bool fitted = t.list->firstMoveFitted;
    out["x_advantage"] = fitted ? number(t.list->firstMove) : Json();
    out["x_advantage_low"] = fitted ? number(t.list->firstMoveLow) : Json();
    out["x_advantage_high"] = fitted ? number(t.list->firstMoveHigh) : Json();
    out["converged"] = t.list->converged;
    return out;
}

Json resultsPart(const Results& r) {
    Json players = Json::array();
    for (const PlayerResults& p : r.players) players.push_back(playerJson(p));
    Json out = {{"games", r.counted}, {"players", players}};
    matchJson(r, out);
    out["ratings"] = ratingsJson(r);
    Json matches = Json::array();
    for (const PairResults& m : r.matches)
        matches.push_back(
            {{"first", m.first}, {"second", m.second}, {"results", resultsPart(m.results[0])}});
    out["matches"] = matches;
    return out;
}

Json gameJson(const GameRecord& r, const std::string& file) {
    Json moves = Json::array();
    for (const model::Move& m : r.moves) moves.push_back(model::moveName(m));
    Json times = Json::array();
    for (const auto& t : plyTimes(r)) times.push_back(t ? seconds(*t) : Json());
    Json notes = Json::array();
    for (const GameNote& n : gameNotes(r))
        notes.push_back({{"kind", n.kind},
                         {"ply", n.ply},
                         {"side", n.side ? std::string(1, n.side) : ""},
                         {"text", n.text}});
    const char* winner = r.winner == Winner::X ? "x" : r.winner == Winner::O ? "o" : "none";
    return {{"file", file},
            {"game", r.game},
            {"opening", r.opening},
            {"x", r.x},
            {"o", r.o},
            {"size", r.size},
            {"complete", r.complete},
            {"result", r.complete ? resultText(r.winner) : "*"},
            {"winner", r.complete ? winner : "none"},
            {"loss", lossName(r.loss)},
            {"ended", howEnded(r)},
            {"reason", r.reason},
            {"plies", r.moves.size()},
            {"opening_plies", r.openingPlies},
            {"time_x", seconds(r.timeX)},
            {"time_o", seconds(r.timeO)},
            {"moves", moves},
            {"move_times", times},
            {"notes", notes}};
}

std::string utcNow() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M UTC", &tm);
    return buf;
}

// '<', '>' and '&' as escapes, so that no text can close the script element it sits in.
std::string scriptSafe(const std::string& text) {
    std::string safe;
    safe.reserve(text.size());
    for (char c : text) {
        if (c == '<')
            safe += "\\u003c";
        else if (c == '>')
            safe += "\\u003e";
        else if (c == '&')
            safe += "\\u0026";
        else
            safe += c;
    }
    return safe;
}

}  // namespace

std::string resultsJson(const std::string& title, const Results& r, const ListedGames& games,
                        bool pretty, bool live) {
    Json settings = Json::object();
    for (const auto& [name, values] : settingValues(games.records)) settings[name] = values;
    Json list = Json::array();
    for (size_t i = 0; i < games.records.size(); i++)
        list.push_back(gameJson(games.records[i], i < games.files.size() ? games.files[i] : ""));
    Json doc = {{"title", title},       {"generated", utcNow()},
                {"live", live},         {"event", eventJson(r.event)},
                {"settings", settings}, {"results", resultsPart(r)},
                {"games", list}};
    // Names, reasons and notes may hold any bytes: invalid UTF-8 becomes U+FFFD.
    if (pretty) return doc.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
    return scriptSafe(doc.dump(-1, ' ', false, Json::error_handler_t::replace));
}

std::optional<std::string> writeResultsJson(const std::string& file, const std::string& title,
                                            const Results& r, const ListedGames& games) {
    return writeFileAtomically(file, resultsJson(title, r, games, true));
}

}  // namespace referee
