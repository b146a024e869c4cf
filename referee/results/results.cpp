#include "referee/results/results.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include "referee/play/settings.h"

namespace referee {

EventInfo eventOf(const MatchConfig& c) {
    EventInfo e;
    e.event = c.event;
    e.size = c.size;
    for (const PlayerSetup* p : entrants(c)) e.players.push_back({p->name, p->time});
    e.anchor = c.anchor;
    e.sprt = c.sprt;
    e.planned = c.games;
    return e;
}

namespace {

bool isEntrant(const EventInfo& e, const std::string& name) {
    return std::any_of(e.players.begin(), e.players.end(),
                       [&](const EventInfo::Entrant& p) { return p.name == name; });
}

// The test named by the latest record that names one: a resumed match may have changed it.
std::optional<SprtSettings> latestSprt(const std::vector<GameRecord>& games) {
    for (auto r = games.rbegin(); r != games.rend(); ++r)
        if (const std::string* v = findSetting(r->settings, "sprt")) {
            SprtSettings s;
            if (*v == "none" || parseSprt({*v}, s)) return std::nullopt;
            return s;
        }
    return std::nullopt;
}

// Records without usable settings: the players in the order of the games (game 0 has the
// run's first player as X), whatever order they finished in.
EventInfo inferredEvent(const std::vector<GameRecord>& games) {
    std::vector<const GameRecord*> byGame;
    for (const GameRecord& r : games)
        if (r.complete) byGame.push_back(&r);
    std::stable_sort(byGame.begin(), byGame.end(),
                     [](const GameRecord* a, const GameRecord* b) { return a->game < b->game; });
    EventInfo e;
    for (const GameRecord* r : byGame) {
        if (e.size == 0) e.size = r->size;
        for (const std::string* n : {&r->x, &r->o})
            if (!isEntrant(e, *n)) e.players.push_back({*n, 0});
    }
    e.event = e.players.size() > 2 ? Event::RoundRobin : Event::Match;
    e.sprt = latestSprt(games);
    return e;
}

}  // namespace

EventInfo eventOfRecords(const std::vector<GameRecord>& games) {
    const GameRecord* latest = nullptr;
    for (const GameRecord& r : games)
        if (r.complete && !r.settings.empty()) latest = &r;
    MatchConfig m;
    if (!latest || matchFromSettings(latest->settings, m)) return inferredEvent(games);
    EventInfo e = eventOf(m);
    // Records of other players (files of several runs): the players seen in the games.
    for (const GameRecord& r : games)
        if (r.complete && (!isEntrant(e, r.x) || !isEntrant(e, r.o))) return inferredEvent(games);
    return e;
}

namespace {

Standing standingOf(const Wdl& w) {
    Standing s;
    s.wdl = w;
    s.elo = estimateElo(w.wins, w.draws, w.losses);
    s.los = likelihoodOfSuperiority(w);
    s.drawRatio = drawRatio(w);
    return s;
}

PlayerResults playerResults(const std::vector<GameRecord>& finished, const EventInfo::Entrant& p) {
    PlayerResults out;
    out.name = p.name;
    out.time = p.time;
    Tally t = tally(finished, p.name);
    out.all = standingOf(t.wdl());
    out.asX = standingOf(t.asX);
    out.asO = standingOf(t.asO);
    out.lostBy = t.lostBy;
    out.moveTimes = moveTimes(finished, p.name, p.time);
    return out;
}

// The course of a match of two, game by game from the first player's side, and when the
// test (if any) decided. Running totals, so that n games cost O(n) and not O(n^2).
void matchCourse(const std::vector<GameRecord>& games, const std::vector<int>& indices,
                 const std::string& first, Results& out) {
    Tally t;
    std::optional<SprtCourse> test;
    if (out.sprt) test.emplace(out.sprt->settings, first);
    for (int i : indices) {
        const GameRecord& r = games[i];
        Tally one = tally({r}, first);
        t.wins += one.wins;
        t.draws += one.draws;
        t.losses += one.losses;
        CoursePoint s;
        s.index = i;
        s.game = r.game;
        s.played = t.games();
        s.score = t.score();
        s.elo = estimateElo(t.wins, t.draws, t.losses);
        if (test) s.llr = test->add(r);
        out.course.push_back(s);
    }
    if (test) {
        out.sprt->verdict = test->verdict();
        out.sprt->decidedAfter = test->decidedAfter();
    }
}

RatingResults ratingResults(const EventInfo& e, const std::vector<GameRecord>& finished) {
    std::vector<std::string> names;
    for (const EventInfo::Entrant& p : e.players) names.push_back(p.name);
    const std::vector<RatedGame> rated = ratedGames(finished, names);
    RatingResults out;
    RatingList list;
    if (auto wrong =
            rateGames(static_cast<int>(names.size()), rated, e.anchor, list, e.fitFirstMove))
        out.error = *wrong;
    else
        out = rankedRatings(list);
    out.cross = crossTable(rated, names.size());
    return out;
}

}  // namespace

RatingResults rankedRatings(const RatingList& list) {
    using Kind = PlayerRating::Kind;
    RatingResults out;
    out.list = list;
    // Compared to a millionth of a point: the order of the games moves a fit's last digits,
    // and that must never reorder equal ratings.
    auto key = [&](int i) {
        double e = list.players[i].elo;
        return std::isfinite(e) ? std::round(e * 1e6) : e;
    };
    auto shown = [&](int i) {
        double e = list.players[i].elo;
        return std::isfinite(e) ? std::round(e) : e;
    };
    for (size_t i = 0; i < list.players.size(); i++) {
        Kind k = list.players[i].kind;
        if (k == Kind::Finite || k == Kind::Above || k == Kind::Below)
            out.order.push_back(static_cast<int>(i));
    }
    std::stable_sort(out.order.begin(), out.order.end(),
                     [&](int a, int b) { return key(a) > key(b); });
    for (size_t pos = 0; pos < out.order.size(); pos++)
        out.rank.push_back(pos > 0 && shown(out.order[pos]) == shown(out.order[pos - 1])
                               ? out.rank.back()
                               : static_cast<int>(pos) + 1);
    return out;
}

std::vector<std::vector<CrossCell>> crossTable(const std::vector<RatedGame>& games, size_t n) {
    std::vector<std::vector<CrossCell>> cross(n, std::vector<CrossCell>(n));
    for (const RatedGame& g : games) {
        if (g.x < 0 || g.o < 0 || static_cast<size_t>(g.x) >= n || static_cast<size_t>(g.o) >= n ||
            g.x == g.o)
            continue;
        cross[g.x][g.o].points += g.result;
        cross[g.x][g.o].games++;
        cross[g.o][g.x].points += 1 - g.result;
        cross[g.o][g.x].games++;
    }
    return cross;
}

namespace {

// Every pair of players who met, in the players' order, as a match of its own.
std::vector<PairResults> pairMatches(const EventInfo& e, const std::vector<GameRecord>& games,
                                     const std::vector<int>& indices) {
    std::vector<PairResults> out;
    const size_t n = e.players.size();
    std::vector<std::vector<std::vector<int>>> met(n, std::vector<std::vector<int>>(n));
    auto at = [&](const std::string& name) {
        for (size_t i = 0; i < n; i++)
            if (e.players[i].name == name) return i;
        return n;
    };
    for (int i : indices) {
        size_t x = at(games[i].x), o = at(games[i].o);
        if (x < n && o < n && x != o) met[std::min(x, o)][std::max(x, o)].push_back(i);
    }
    for (size_t i = 0; i < n; i++)
        for (size_t j = i + 1; j < n; j++) {
            if (met[i][j].empty()) continue;
            EventInfo pair;
            pair.size = e.size;
            pair.fitFirstMove = e.fitFirstMove;
            pair.players = {e.players[i], e.players[j]};
            std::vector<GameRecord> theirs;
            for (int k : met[i][j]) theirs.push_back(games[k]);
            Results match = computeResults(pair, theirs);
            for (CoursePoint& c : match.course) c.index = met[i][j][c.index];  // into `games`
            out.push_back({static_cast<int>(i), static_cast<int>(j), {std::move(match)}});
        }
    return out;
}

}  // namespace

Results computeResults(const EventInfo& e, const std::vector<GameRecord>& games) {
    Results out;
    out.event = e;
    std::vector<int> indices;  // the finished games of the event's players, in order
    std::vector<GameRecord> finished;
    for (size_t i = 0; i < games.size(); i++) {
        const GameRecord& r = games[i];
        if (!r.complete || !isEntrant(e, r.x) || !isEntrant(e, r.o)) continue;
        indices.push_back(static_cast<int>(i));
        finished.push_back(r);
    }
    out.counted = static_cast<int>(finished.size());
    for (const EventInfo::Entrant& p : e.players) out.players.push_back(playerResults(finished, p));
    if (e.event != Event::Match) {
        out.ratings = ratingResults(e, finished);
        out.matches = pairMatches(e, games, indices);
        return out;
    }
    if (e.players.size() != 2) return out;
    const std::string& first = e.players[0].name;
    out.pairs = pairCounts(finished, first);
    out.normalized = normalizedElo(*out.pairs);
    out.pairLos = pentanomialLos(*out.pairs);
    if (e.sprt) {
        SprtState s;
        s.settings = *e.sprt;
        s.llr = sprtLlr(*e.sprt, *out.pairs);
        s.lower = e.sprt->lowerBound();
        s.upper = e.sprt->upperBound();
        out.sprt = s;
    }
    matchCourse(games, indices, first, out);
    return out;
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

namespace {

// "ply 12 x: text" into its ply, side and text; false when the value has another form.
bool splitNote(const std::string& value, GameNote& n) {
    if (value.compare(0, 4, "ply ") != 0) return false;
    size_t digits = value.find_first_not_of("0123456789", 4);
    int ply = 0;
    auto [end, ec] = std::from_chars(value.data() + 4, value.data() + value.size(), ply);
    if (ec != std::errc() || digits == std::string::npos || end != value.data() + digits ||
        ply < 1 || value.size() < digits + 3 || value[digits] != ' ' ||
        (value[digits + 1] != 'x' && value[digits + 1] != 'o') || value[digits + 2] != ':')
        return false;
    n.ply = ply;
    n.side = value[digits + 1];
    n.text = value.substr(std::min(value.size(), digits + 4));
    return true;
}

}  // namespace

std::vector<GameNote> gameNotes(const GameRecord& r) {
    std::vector<GameNote> notes;
    for (const auto& [key, value] : r.extra) {
        if (key != "stderr" && key != "note") continue;
        GameNote n;
        n.kind = key;
        n.text = value;
        splitNote(value, n);
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
