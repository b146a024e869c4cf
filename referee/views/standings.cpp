#include "referee/views/standings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "referee/stats/elo.h"
#include "referee/text/number_text.h"

namespace referee {

namespace {

std::string pad(const std::string& s, size_t width, bool right) {
    if (s.size() >= width) return s;
    std::string fill(width - s.size(), ' ');
    return right ? fill + s : s + fill;
}

size_t nameWidth(const std::vector<std::string>& names) {
    size_t w = 4;
    for (const auto& n : names) w = std::max(w, n.size());
    return w;
}

// "first move (X): +209 Elo [+180, +238]", X's fitted advantage; or that colours are left out.
std::string firstMoveLine(const RatingList& list) {
    if (!list.firstMoveFitted) return "first move not modelled: X and O count alike";
    return "first move (X): " + formatElo(list.firstMove) + " Elo [" +
           formatElo(list.firstMoveLow) + ", " + formatElo(list.firstMoveHigh) + "]";
}

}  // namespace

std::vector<std::string> crossTableLines(const std::vector<RatedGame>& games,
                                         const std::vector<std::string>& names) {
    size_t n = names.size();
    std::vector<std::vector<double>> pts(n, std::vector<double>(n, 0.0));
    std::vector<std::vector<int>> met(n, std::vector<int>(n, 0));
    for (const RatedGame& g : games) {
        if (g.x < 0 || g.o < 0 || size_t(g.x) >= n || size_t(g.o) >= n || g.x == g.o) continue;
        pts[g.x][g.o] += g.result;
        pts[g.o][g.x] += 1 - g.result;
        met[g.x][g.o]++;
        met[g.o][g.x]++;
    }
    std::vector<std::vector<std::string>> cell(n, std::vector<std::string>(n));
    size_t width = std::to_string(n).size();
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j) {
            cell[i][j] = i == j      ? "x"
                         : met[i][j] ? shortNumber(pts[i][j]) + "/" + std::to_string(met[i][j])
                                     : "-";
            width = std::max(width, cell[i][j].size());
        }
    size_t nw = nameWidth(names), iw = std::to_string(n).size();
    std::vector<std::string> lines;
    std::string head = pad("", iw + 2 + nw, false);
    for (size_t j = 0; j < n; ++j) head += "  " + pad(std::to_string(j + 1), width, true);
    lines.push_back(head + "   total");
    for (size_t i = 0; i < n; ++i) {
        std::string line = pad(std::to_string(i + 1), iw, true) + "  " + pad(names[i], nw, false);
        double total = 0;
        int played = 0;
        for (size_t j = 0; j < n; ++j) {
            line += "  " + pad(cell[i][j], width, true);
            total += pts[i][j];
            played += met[i][j];
        }
        line += "   " + shortNumber(total) + "/" + std::to_string(played);
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> ratingListLines(const RatingList& list,
                                         const std::vector<std::string>& names) {
    using Kind = PlayerRating::Kind;
    size_t n = std::min(names.size(), list.players.size());
    std::vector<size_t> order;
    for (size_t i = 0; i < n; ++i) {
        Kind k = list.players[i].kind;
        if (k == Kind::Finite || k == Kind::Above || k == Kind::Below) order.push_back(i);
    }
    // Strongest first; equal ratings keep the players' order.
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return list.players[a].elo > list.players[b].elo; });
    size_t nw = nameWidth(names);
    std::vector<std::string> lines;
    lines.push_back("rank  " + pad("name", nw, false) +
                    "     elo    95% interval     games  score");
    std::string previous;
    size_t rank = 0;
    for (size_t pos = 0; pos < order.size(); ++pos) {
        const PlayerRating& r = list.players[order[pos]];
        std::string elo = formatElo(r.elo);
        // Players shown with the same rating share a rank.
        if (pos == 0 || elo != previous) rank = pos + 1;
        previous = elo;
        std::string interval;
        if (r.kind == Kind::Finite)
            interval = "[" + formatElo(r.low) + ", " + formatElo(r.high) + "]";
        else
            interval = "(no finite bound)";
        char score[32] = "";
        if (r.games > 0) snprintf(score, sizeof score, "%.1f%%", 100.0 * r.points / r.games);
        lines.push_back(pad(std::to_string(rank), 4, true) + "  " +
                        pad(names[order[pos]], nw, false) + "  " + pad(elo, 6, true) + "  " +
                        pad(interval, 20, false) + "  " + pad(std::to_string(r.games), 5, true) +
                        "  " + pad(score, 6, true));
    }
    std::string anchor = size_t(list.anchor) < n ? names[list.anchor] : "the anchor";
    for (size_t i = 0; i < n; ++i) {
        const PlayerRating& r = list.players[i];
        if (r.kind == Kind::Undecided)
            lines.push_back("unrated  " + names[i] +
                            ": its games do not decide whether it is above or below " + anchor);
        else if (r.kind == Kind::Unlinked)
            lines.push_back(
                "unrated  " + names[i] +
                (r.games == 0 ? ": no games" : ": no chain of games links it to " + anchor));
    }
    lines.push_back("ratings relative to " + anchor + " (0)");
    char buf[160];
    snprintf(buf, sizeof buf, "draw parameter nu: %.3f (draws between equal players: %.1f%%)",
             list.nu, 100 * list.drawEqual);
    lines.push_back(buf);
    lines.push_back(firstMoveLine(list));
    if (!list.converged)
        lines.push_back("warning: the fit did not converge; the ratings may be off");
    return lines;
}

}  // namespace referee
