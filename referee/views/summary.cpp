#include "referee/views/summary.h"

#include <cmath>
#include <cstdio>

#include "referee/records/counts.h"
#include "referee/stats/elo.h"
#include "referee/stats/ratings.h"
#include "referee/text/escape.h"
#include "referee/views/standings.h"

namespace referee {

namespace {

std::string eloText(const Wdl& w) {
    EloEstimate e = estimateElo(w.wins, w.draws, w.losses);
    if (!e.valid) return "-";
    return formatElo(e.elo) + " [" + formatElo(e.low) + ", " + formatElo(e.high) + "]";
}

std::string wdlRow(const std::string& label, const Wdl& w) {
    char buf[512];
    snprintf(buf, sizeof buf, "%-18s %5d %5d %5d %7.1f/%-5d %5.1f%%  %-22s %5.1f%%\n",
             label.c_str(), w.wins, w.draws, w.losses, w.points(), w.games(), 100 * drawRatio(w),
             eloText(w).c_str(), 100 * likelihoodOfSuperiority(w));
    return buf;
}

std::string llrText(const SprtSettings& s, double llr) {
    char buf[128];
    snprintf(buf, sizeof buf, "LLR %.2f [%.2f, %.2f]", llr, s.lowerBound(), s.upperBound());
    return buf;
}

const char* verdictText(SprtVerdict v) {
    return v == SprtVerdict::AcceptH1   ? "H1 accepted"
           : v == SprtVerdict::AcceptH0 ? "H0 accepted"
                                        : "no decision";
}

// The closing table of a tournament: game count, cross table, rating list anchored on
// player `anchor`, and how each player lost its lost games.
std::string tournamentText(const MatchConfig& c, const std::vector<GameRecord>& records) {
    std::vector<std::string> names, shown;
    for (const PlayerSetup* p : entrants(c)) {
        names.push_back(p->name);
        shown.push_back(escape(p->name, 40));
    }
    std::vector<RatedGame> games = ratedGames(records, names);
    char buf[512];
    snprintf(buf, sizeof buf, "%d game%s, N = %d, %s of %d players\n",
             static_cast<int>(records.size()), records.size() == 1 ? "" : "s", c.size,
             eventName(c.event), static_cast<int>(names.size()));
    std::string text = buf;
    for (const std::string& line : crossTableLines(games, shown)) text += line + "\n";
    text += "\n";
    RatingList list;
    if (auto wrong = rateGames(static_cast<int>(names.size()), games, c.anchor, list))
        text += "no ratings: " + *wrong + "\n";
    else
        for (const std::string& line : ratingListLines(list, shown)) text += line + "\n";
    // Losses by kind, for the players who lost any other way than on the board.
    for (size_t i = 0; i < names.size(); i++) {
        const auto& l = tally(records, names[i]).lostBy;
        const int time = l[static_cast<int>(Loss::Time)], crash = l[static_cast<int>(Loss::Crash)],
                  illegal = l[static_cast<int>(Loss::Illegal)];
        if (time + crash + illegal == 0) continue;
        snprintf(buf, sizeof buf, "%s lost by time %d, crash %d, illegal %d\n", shown[i].c_str(),
                 time, crash, illegal);
        text += buf;
    }
    return text;
}

// Each player's table rows: overall and per colour.
std::string matchTable(const MatchConfig& c, const std::vector<GameRecord>& records) {
    std::string text;
    char buf[512];
    snprintf(buf, sizeof buf, "%-18s %5s %5s %5s %13s %6s  %-22s %6s\n", "player", "wins", "draws",
             "losses", "score", "draws", "Elo [95%]", "LOS");
    text += buf;
    for (const PlayerSetup* p : {&c.a, &c.b}) {
        Tally t = tally(records, p->name);
        text += wdlRow(escape(p->name, 18), t.wdl());
        text += wdlRow("  as X", t.asX);
        text += wdlRow("  as O", t.asO);
    }
    for (const PlayerSetup* p : {&c.a, &c.b}) {
        Tally t = tally(records, p->name);
        snprintf(buf, sizeof buf,
                 "%s lost by time %d, crash %d, illegal %d, repetition %d, straights %d\n",
                 escape(p->name, 40).c_str(), t.lostBy[static_cast<int>(Loss::Time)],
                 t.lostBy[static_cast<int>(Loss::Crash)], t.lostBy[static_cast<int>(Loss::Illegal)],
                 t.lostBy[static_cast<int>(Loss::Repetition)],
                 t.lostBy[static_cast<int>(Loss::Straights)]);
        text += buf;
    }
    return text;
}

// The pairs, the test and the move times of a match.
std::string matchFooter(const MatchConfig& c, const std::vector<GameRecord>& records,
                        SprtVerdict verdict) {
    std::string text;
    char buf[512];
    Pentanomial pc = pairCounts(records, c.a.name);
    NormalizedElo ne = normalizedElo(pc);
    snprintf(
        buf, sizeof buf,
        "pairs: %d; %s's points per pair 0: %d, 1/2: %d, 1: %d, 3/2: %d, 2: %d; "
        "normalised Elo %s\n",
        pc.pairs(), escape(c.a.name, 40).c_str(), pc.n[0], pc.n[1], pc.n[2], pc.n[3], pc.n[4],
        ne.valid ? (formatElo(ne.elo) + " +- " + formatElo(ne.margin).substr(1)).c_str() : "-");
    text += buf;
    if (c.sprt) {
        const SprtSettings& s = *c.sprt;
        snprintf(buf, sizeof buf,
                 "SPRT on normalised Elo, elo0 %g, elo1 %g, alpha %g, beta %g: %s: %s\n", s.elo0,
                 s.elo1, s.alpha, s.beta, llrText(s, sprtLlr(s, pc)).c_str(), verdictText(verdict));
        text += buf;
    }
    for (const PlayerSetup* p : {&c.a, &c.b}) {
        MoveTimes m = moveTimes(records, p->name, p->time);
        if (m.moves == 0) continue;
        snprintf(buf, sizeof buf,
                 "%s move times: %d moves, mean %.3f s, slowest %.3f s, smallest margin left "
                 "%.3f s of %g s\n",
                 escape(p->name, 40).c_str(), m.moves, m.mean, m.slowest, m.leastLeft, p->time);
        text += buf;
    }
    return text;
}

}  // namespace

std::string summaryText(const MatchConfig& c, const std::vector<GameRecord>& records,
                        SprtVerdict verdict) {
    if (c.event != Event::Match) return tournamentText(c, records);
    char buf[128];
    snprintf(buf, sizeof buf, "%d game%s, N = %d\n", static_cast<int>(records.size()),
             records.size() == 1 ? "" : "s", c.size);
    return buf + matchTable(c, records) + matchFooter(c, records, verdict);
}

std::string progressLine(const MatchConfig& c, const RunProgress& p) {
    const GameRecord& r = p.record;
    std::string line =
        "[" + std::to_string(p.finished.size()) + "/" + std::to_string(p.planned) + "] game " +
        std::to_string(r.game) + ", opening " + std::to_string(r.opening) + ": " + escape(r.x, 40) +
        " (X) - " + escape(r.o, 40) + " (O) " + resultText(r.winner) + ", " + escape(r.reason, 300);
    char buf[512];
    if (c.event == Event::Match) {
        Tally t = tally(p.finished, c.a.name);
        EloEstimate e = estimateElo(t.wins, t.draws, t.losses);
        double half = (e.high - e.low) / 2;
        snprintf(buf, sizeof buf, "\n  %s %.1f - %.1f %s, Elo %s +- %s",
                 escape(c.a.name, 40).c_str(), t.score(), t.games() - t.score(),
                 escape(c.b.name, 40).c_str(), formatElo(e.elo).c_str(),
                 std::isfinite(half) ? formatElo(half).substr(1).c_str() : "inf");
        line += buf;
    }
    if (c.sprt) {
        line += ", " + llrText(*c.sprt, sprtLlr(*c.sprt, pairCounts(p.finished, c.a.name)));
        if (p.decidedNow) line += std::string(": ") + verdictText(p.verdict);
    }
    snprintf(buf, sizeof buf, "; %d game%s left, about %.0f s\n", p.left, p.left == 1 ? "" : "s",
             p.secondsLeft);
    return line + buf;
}

}  // namespace referee
