#include "referee/views/standings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "referee/stats/elo.h"
#include "referee/text/number_text.h"
#include "referee/text/table.h"

namespace referee {

std::vector<std::string> crossTableLines(const std::vector<std::vector<CrossCell>>& cross,
                                         const std::vector<std::string>& names) {
    using A = TextTable::Align;
    const size_t n = std::min(names.size(), cross.size());
    std::vector<TextTable::Column> columns{{"", A::Right}, {"", A::Left}};
    for (size_t j = 0; j < n; ++j) columns.push_back({std::to_string(j + 1), A::Right});
    columns.push_back({"total", A::Right});
    TextTable table(columns);
    for (size_t i = 0; i < n; ++i) {
        std::vector<std::string> cells{std::to_string(i + 1), names[i]};
        double total = 0;
        int played = 0;
        for (size_t j = 0; j < n; ++j) {
            const CrossCell& c = cross[i][j];
            cells.push_back(i == j    ? "x"
                            : c.games ? shortNumber(c.points) + "/" + std::to_string(c.games)
                                      : "-");
            if (i == j) continue;
            total += c.points;
            played += c.games;
        }
        cells.push_back(shortNumber(total) + "/" + std::to_string(played));
        table.add(cells);
    }
    return table.lines();
}

namespace {

// The rated players, strongest first.
std::vector<std::string> ratedLines(const RatingResults& ratings,
                                    const std::vector<std::string>& names) {
    using A = TextTable::Align;
    const RatingList& list = *ratings.list;
    TextTable table({{"rank", A::Right},
                     {"name", A::Left},
                     {"elo", A::Right},
                     {"95% interval", A::Left},
                     {"games", A::Right},
                     {"score", A::Right}});
    for (size_t pos = 0; pos < ratings.order.size(); ++pos) {
        const size_t i = static_cast<size_t>(ratings.order[pos]);
        if (i >= names.size()) continue;
        const PlayerRating& r = list.players[i];
        char score[32] = "";
        if (r.games > 0) snprintf(score, sizeof score, "%.1f%%", 100.0 * r.points / r.games);
        table.add({std::to_string(ratings.rank[pos]), names[i], formatElo(r.elo),
                   r.kind == PlayerRating::Kind::Finite
                       ? "[" + formatElo(r.low) + ", " + formatElo(r.high) + "]"
                       : "(no finite bound)",
                   std::to_string(r.games), score});
    }
    return table.lines();
}

// "first move (X): +209 Elo [+180, +238]", X's fitted advantage; or that colours are left out.
std::string firstMoveLine(const RatingList& list) {
    if (!list.firstMoveFitted) return "first move not modelled: X and O count alike";
    return "first move (X): " + formatElo(list.firstMove) + " Elo [" +
           formatElo(list.firstMoveLow) + ", " + formatElo(list.firstMoveHigh) + "]";
}

}  // namespace

std::vector<std::string> ratingListLines(const RatingResults& ratings,
                                         const std::vector<std::string>& names) {
    using Kind = PlayerRating::Kind;
    const RatingList& list = *ratings.list;
    const size_t n = std::min(names.size(), list.players.size());
    std::vector<std::string> lines = ratedLines(ratings, names);
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
