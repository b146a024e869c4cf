#include "referee/views/summary.h"

#include <cmath>
#include <cstdio>

#include "referee/text/escape.h"
#include "referee/text/number_text.h"
#include "referee/text/table.h"
#include "referee/views/standings.h"

namespace referee {

namespace {

std::string percent(double share) {
    char buf[32];
    snprintf(buf, sizeof buf, "%.1f%%", 100 * share);
    return buf;
}

// A row of the match table: the score with its Elo estimate.
std::vector<std::string> standingCells(const std::string& label, const Standing& s) {
    const Wdl& w = s.wdl;
    char score[64];
    snprintf(score, sizeof score, "%.1f/%d", w.points(), w.games());
    const bool any = s.elo.valid;
    return {label,
            std::to_string(w.wins),
            std::to_string(w.draws),
            std::to_string(w.losses),
            score,
            percent(s.drawRatio),
            any ? formatElo(s.elo.elo) : "-",
            any ? "[" + formatElo(s.elo.low) + ", " + formatElo(s.elo.high) + "]" : "",
            percent(s.los)};
}

std::string llrText(const SprtState& t) {
    return "LLR " + fixedNumber(t.llr, 2) + " [" + fixedNumber(t.lower, 2) + ", " +
           fixedNumber(t.upper, 2) + "]";
}

// "+208 +- 148", or the interval itself where it is not symmetric ("+inf [+102, +inf]").
std::string normalizedText(const NormalizedElo& ne) {
    if (!ne.valid) return "-";
    if (std::isfinite(ne.margin))
        return formatElo(ne.elo) + " +- " + formatElo(ne.margin).substr(1);
    return formatElo(ne.elo) + " [" + formatElo(ne.low) + ", " + formatElo(ne.high) + "]";
}

std::string lossCount(const PlayerResults& p, Loss l) {
    return std::string(lossName(l)) + " " + std::to_string(p.lostBy[static_cast<int>(l)]);
}

// The closing table of a tournament: game count, cross table, rating list, and how each
// player lost its lost games when it lost any other way than on the board.
std::string tournamentText(const Results& r) {
    std::vector<std::string> shown;
    for (const PlayerResults& p : r.players) shown.push_back(escape(p.name, 40));
    char buf[512];
    snprintf(buf, sizeof buf, "%d game%s, N = %d, %s of %d players\n", r.counted,
             r.counted == 1 ? "" : "s", r.event.size, eventName(r.event.event),
             static_cast<int>(r.players.size()));
    std::string text = buf;
    for (const std::string& line : crossTableLines(r.ratings->cross, shown)) text += line + "\n";
    text += "\n";
    if (!r.ratings->list)
        text += "no ratings: " + r.ratings->error + "\n";
    else
        for (const std::string& line : ratingListLines(*r.ratings, shown)) text += line + "\n";
    for (size_t i = 0; i < r.players.size(); i++) {
        const PlayerResults& p = r.players[i];
        if (p.lostBy[static_cast<int>(Loss::Time)] + p.lostBy[static_cast<int>(Loss::Crash)] +
                p.lostBy[static_cast<int>(Loss::Illegal)] ==
            0)
            continue;
        text += shown[i] + " lost by " + lossCount(p, Loss::Time) + ", " +
                lossCount(p, Loss::Crash) + ", " + lossCount(p, Loss::Illegal) + "\n";
    }
    return text;
}

// Each player's table rows, overall and per colour, and the ways it lost.
std::string matchTable(const Results& r) {
    using A = TextTable::Align;
    TextTable table({{"player", A::Left},
                     {"wins", A::Right},
                     {"draws", A::Right},
                     {"losses", A::Right},
                     {"score", A::Right},
                     {"draw %", A::Right},
                     {"Elo", A::Right},
                     {"95% interval", A::Left},
                     {"LOS", A::Right}});
    for (const PlayerResults& p : r.players) {
        table.add(standingCells(escape(p.name, 40), p.all));
        table.add(standingCells("  as X", p.asX));
        table.add(standingCells("  as O", p.asO));
    }
    std::string text = table.text();
    for (const PlayerResults& p : r.players) {
        text += escape(p.name, 40) + " lost by ";
        for (Loss l : {Loss::Time, Loss::Crash, Loss::Illegal, Loss::Repetition, Loss::Straights})
            text += lossCount(p, l) + (l == Loss::Straights ? "\n" : ", ");
    }
    return text;
}

// The pairs, the test and the move times of a match.
std::string matchFooter(const Results& r) {
    std::string text;
    char buf[512];
    const Pentanomial& pc = *r.pairs;
    const NormalizedElo& ne = *r.normalized;
    snprintf(buf, sizeof buf,
             "pairs: %d; %s's points per pair 0: %d, 1/2: %d, 1: %d, 3/2: %d, 2: %d; "
             "normalised Elo %s; LOS of the pairs %s\n",
             pc.pairs(), escape(r.players[0].name, 40).c_str(), pc.n[0], pc.n[1], pc.n[2], pc.n[3],
             pc.n[4], normalizedText(ne).c_str(), pc.pairs() ? percent(*r.pairLos).c_str() : "-");
    text += buf;
    if (r.sprt) {
        const SprtSettings& s = r.sprt->settings;
        snprintf(buf, sizeof buf,
                 "SPRT on normalised Elo, elo0 %g, elo1 %g, alpha %g, beta %g: %s: %s\n", s.elo0,
                 s.elo1, s.alpha, s.beta, llrText(*r.sprt).c_str(),
                 sprtVerdictText(r.sprt->verdict));
        text += buf;
    }
    for (const PlayerResults& p : r.players) {
        const MoveTimes& m = p.moveTimes;
        if (m.moves == 0) continue;
        snprintf(buf, sizeof buf,
                 "%s move times: %d moves, mean %.3f s, slowest %.3f s, smallest margin left "
                 "%.3f s of %g s\n",
                 escape(p.name, 40).c_str(), m.moves, m.mean, m.slowest, m.leastLeft, p.time);
        text += buf;
    }
    return text;
}

}  // namespace

std::string summaryText(const Results& r) {
    if (r.ratings) return tournamentText(r);
    char buf[128];
    snprintf(buf, sizeof buf, "%d game%s, N = %d\n", r.counted, r.counted == 1 ? "" : "s",
             r.event.size);
    if (!r.pairs) return buf + matchTable(r);
    return buf + matchTable(r) + matchFooter(r);
}

std::string startLine(const GameSetup& s) {
    return "game " + std::to_string(s.game) + ", opening " + std::to_string(s.openingIndex) + ": " +
           escape(s.x->name, 40) + " (X) - " + escape(s.o->name, 40) + " (O) started\n";
}

std::string progressLine(const Results& r, const RunProgress& p) {
    const GameRecord& g = p.record;
    std::string line = "game " + std::to_string(g.game) + ", opening " + std::to_string(g.opening) +
                       ": " + escape(g.x, 40) + " (X) - " + escape(g.o, 40) + " (O) " +
                       resultText(g.winner) + ", " + escape(g.reason, 300) + "\n ";
    if (r.pairs) {
        const PlayerResults& a = r.players[0];
        const EloEstimate& e = a.all.elo;
        char buf[256];
        snprintf(buf, sizeof buf, " %s %.1f - %.1f %s, Elo %s [%s, %s];",
                 escape(a.name, 40).c_str(), a.all.wdl.points(),
                 a.all.wdl.games() - a.all.wdl.points(), escape(r.players[1].name, 40).c_str(),
                 formatElo(e.elo).c_str(), formatElo(e.low).c_str(), formatElo(e.high).c_str());
        line += buf;
    }
    if (r.sprt) {
        line += " " + llrText(*r.sprt);
        // The verdict from the game that brought it on; the games already started that end
        // after it say it again, so that no line reads as a test still running.
        if (p.verdict != SprtVerdict::Continue)
            line +=
                std::string(": ") + sprtVerdictText(p.verdict) + (p.decidedNow ? "" : " earlier");
        line += ";";
    }
    char buf[160];
    snprintf(buf, sizeof buf, " %d of %d games done, %d left, about %.0f s\n",
             static_cast<int>(p.finished.size()), p.planned, p.left, p.secondsLeft);
    return line + buf;
}

}  // namespace referee
