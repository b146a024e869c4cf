#include "referee/views/report_page.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>

#include "referee/records/counts.h"
#include "referee/records/files.h"
#include "referee/stats/elo.h"
#include "referee/text/escape.h"
#include "referee/views/report_assets.h"
#include "referee/views/report_figures.h"
#include "referee/views/standings.h"

namespace referee {

namespace {

using Json = nlohmann::ordered_json;

// JSON has no infinity; the page reads these two strings back as +-Infinity.
Json number(double v) {
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    if (std::isnan(v)) return nullptr;
    return v;
}

Json eloJson(const EloEstimate& e) {
    return {{"score", number(e.score)},     {"elo", number(e.elo)},
            {"low", number(e.low)},         {"high", number(e.high)},
            {"eloText", formatElo(e.elo)},  {"lowText", formatElo(e.low)},
            {"highText", formatElo(e.high)}};
}

Json tallyJson(const Tally& t) {
    Json lost = Json::object();
    for (Loss l : {Loss::Time, Loss::Crash, Loss::Illegal, Loss::Repetition, Loss::Straights})
        lost[lossName(l)] = t.lostBy[static_cast<int>(l)];
    return {{"wins", t.wins},     {"draws", t.draws},   {"losses", t.losses},
            {"score", t.score()}, {"games", t.games()}, {"lostBy", lost}};
}

Json gameJson(const ReportGame& g) {
    const GameRecord& r = g.record;
    Json moves = Json::array();
    for (const model::Move& m : r.moves) moves.push_back(model::moveName(m));
    Json times = Json::array();
    for (const auto& t : plyTimes(r)) times.push_back(t ? Json(*t) : Json(nullptr));
    Json notes = Json::array();
    for (const GameNote& n : gameNotes(r))
        notes.push_back({{"kind", n.kind},
                         {"ply", n.ply},
                         {"side", n.side ? std::string(1, n.side) : ""},
                         {"text", n.text}});
    const char* winner = r.winner == Winner::X ? "x" : r.winner == Winner::O ? "o" : "none";
    return {{"file", g.file},
            {"game", r.game},
            {"opening", r.opening},
            {"x", r.x},
            {"o", r.o},
            {"size", r.size},
            {"moves", moves},
            {"openingPlies", r.openingPlies},
            {"complete", r.complete},
            {"result", r.complete ? resultText(r.winner) : "*"},
            {"winner", r.complete ? winner : "none"},
            {"ended", howEnded(r)},
            {"reason", r.reason},
            {"timeX", r.timeX},
            {"timeO", r.timeO},
            {"times", times},
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

// Puts each marker's content in place of the marker's first occurrence in the template;
// inserted text is never searched again.
std::string fill(std::string_view page,
                 const std::vector<std::pair<std::string_view, std::string_view>>& parts) {
    std::string out;
    size_t from = 0;
    for (const auto& [marker, content] : parts) {
        size_t at = page.find(marker, from);
        if (at == std::string_view::npos) continue;
        out.append(page.substr(from, at - from));
        out.append(content);
        from = at + marker.size();
    }
    out.append(page.substr(from));
    return out;
}

}  // namespace

namespace {

Json playersJson(const MatchFigures& f) {
    Json players = Json::array();
    for (const PlayerFigures& p : f.players)
        players.push_back({{"name", p.name},
                           {"all", tallyJson(p.all)},
                           {"asX", tallyJson(p.asX)},
                           {"asO", tallyJson(p.asO)},
                           {"drawRatio", p.drawRatio}});
    return players;
}

Json courseJson(const MatchFigures& f) {
    Json course = Json::array();
    for (const ScorePoint& s : f.course) {
        Json point = {
            {"game", s.game}, {"played", s.played}, {"score", s.score}, {"elo", eloJson(s.elo)}};
        if (f.sprt) point["llr"] = number(s.llr);
        course.push_back(point);
    }
    return course;
}

// The pair counts of a match of two; null otherwise.
Json pairsJson(const MatchFigures& f) {
    if (!f.elo) return nullptr;
    return {{"counts", f.pairs.n},
            {"pairs", f.pairs.pairs()},
            {"normalized", f.normalized.valid ? Json(formatElo(f.normalized.elo)) : Json()},
            {"margin", f.normalized.valid ? number(f.normalized.margin) : Json()}};
}

// The sequential test's state; null without one.
Json sprtJson(const MatchFigures& f) {
    if (!f.sprt) return nullptr;
    const SprtFigures& t = *f.sprt;
    return {{"elo0", t.settings.elo0},
            {"elo1", t.settings.elo1},
            {"alpha", t.settings.alpha},
            {"beta", t.settings.beta},
            {"llr", number(t.llr)},
            {"lower", t.lower},
            {"upper", t.upper},
            {"verdict", t.verdict == SprtVerdict::AcceptH1   ? "H1 accepted"
                        : t.verdict == SprtVerdict::AcceptH0 ? "H0 accepted"
                                                             : "no decision"},
            {"decidedAfter", t.decidedAfter}};
}

// The rating list and cross table of more than two players; null otherwise.
Json ratingsJson(const MatchFigures& f) {
    if (f.players.size() <= 2) return nullptr;
    std::vector<std::string> names;
    for (const PlayerFigures& p : f.players) names.push_back(p.name);
    Json list = Json::array();
    if (f.ratings)
        for (const std::string& line : ratingListLines(*f.ratings, names)) list.push_back(line);
    Json cross = Json::array();
    for (const std::string& line : crossTableLines(f.rated, names)) cross.push_back(line);
    return {{"list", list}, {"cross", cross}};
}

// Player output is untrusted bytes: invalid UTF-8 becomes U+FFFD, and '<', '>' and '&'
// are written as escapes so that no text can close the script element it sits in.
std::string scriptSafe(const Json& data) {
    std::string text = data.dump(-1, ' ', false, Json::error_handler_t::replace);
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

std::string reportData(const std::vector<ReportGame>& games, const std::string& title) {
    std::vector<GameRecord> records;
    for (const ReportGame& g : games) records.push_back(g.record);
    MatchFigures f = matchFigures(records);
    Json settings = Json::array();
    for (const auto& [name, values] : settingValues(records)) settings.push_back({name, values});
    Json list = Json::array();
    for (const ReportGame& g : games) list.push_back(gameJson(g));
    Json data = {{"title", title},
                 {"generated", utcNow()},
                 {"settings", settings},
                 {"figures",
                  {{"counted", f.counted},
                   {"players", playersJson(f)},
                   {"elo", f.elo ? eloJson(*f.elo) : Json(nullptr)},
                   {"los", f.elo ? number(f.los) : Json(nullptr)},
                   {"pairs", pairsJson(f)},
                   {"sprt", sprtJson(f)},
                   {"ratings", ratingsJson(f)},
                   {"course", courseJson(f)}}},
                 {"games", list}};
    return scriptSafe(data);
}

std::string reportPage(const std::vector<ReportGame>& games, const std::string& title) {
    std::string data = reportData(games, title);
    return fill(assets::page(), {{"/*@style@*/", assets::style()},
                                 {"@data@", data},
                                 {"/*@board@*/", assets::board()},
                                 {"/*@script@*/", assets::script()}});
}

std::optional<std::string> writeReport(const std::string& path,
                                       const std::vector<ReportGame>& games,
                                       const std::string& title) {
    return writeFileAtomically(path, reportPage(games, title));
}

}  // namespace referee
