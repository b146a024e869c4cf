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

}  // namespace

std::vector<std::string> crossTableLines(const std::vector<std::vector<CrossCell>>& cross,
                                         const std::vector<std::string>& names) {
    size_t n = std::min(names.size(), cross.size());
    std::vector<std::vector<std::string>> cell(n, std::vector<std::string>(n));
    size_t width = std::to_string(n).size();
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j) {
            const CrossCell& c = cross[i][j];
            cell[i][j] = i == j    ? "x"
                         : c.games ? shortNumber(c.points) + "/" + std::to_string(c.games)
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
            if (i == j) continue;
            total += cross[i][j].points;
            played += cross[i][j].games;
        }
        line += "   " + shortNumber(total) + "/" + std::to_string(played);
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> ratingListLines(const RatingResults& ratings,
                                         const std::vector<std::string>& names) {
    using Kind = PlayerRating::Kind;
    const RatingList& list = *ratings.list;
    size_t n = std::min(names.size(), list.players.size());
    size_t nw = nameWidth(names);
    std::vector<std::string> lines;
    lines.push_back("rank  " + pad("name", nw, false) +
                    "     elo    95% interval     games  score");
    for (size_t pos = 0; pos < ratings.order.size(); ++pos) {
        const size_t i = static_cast<size_t>(ratings.order[pos]);
        if (i >= n) continue;
        const PlayerRating& r = list.players[i];
        std::string interval;
        if (r.kind == Kind::Finite)
            interval = "[" + formatElo(r.low) + ", " + formatElo(r.high) + "]";
        else
            interval = "(no finite bound)";
        char score[32] = "";
        if (r.games > 0) snprintf(score, sizeof score, "%.1f%%", 100.0 * r.points / r.games);
        lines.push_back(pad(std::to_string(ratings.rank[pos]), 4, true) + "  " +
                        pad(names[i], nw, false) + "  " + pad(formatElo(r.elo), 6, true) + "  " +
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
    if (!list.converged)
        lines.push_back("warning: the fit did not converge; the ratings may be off");
    return lines;
}

}  // namespace referee
