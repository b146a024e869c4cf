#include "referee/views/report_page.h"

#include <string_view>
#include <utility>
#include <vector>

#include "referee/records/files.h"
#include "referee/views/report_assets.h"

namespace referee {

namespace {

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

std::string eventTitle(const EventInfo& e) {
    if (e.event == Event::Match && e.players.size() == 2)
        return e.players[0].name + " vs " + e.players[1].name;
    if (e.event == Event::Match) return "Match report";
    return std::string(eventName(e.event)) + " of " + std::to_string(e.players.size()) + " players";
}

std::string reportPage(const std::string& title, const Results& r, const ListedGames& games,
                       bool live) {
    const std::string data = resultsJson(title, r, games, false, live);
    return fill(assets::page(), {{"/*@style@*/", assets::style()},
                                 {"@data@", data},
                                 {"/*@board@*/", assets::board()},
                                 {"/*@plot@*/", assets::plot()},
                                 {"/*@script@*/", assets::script()}});
}

std::optional<std::string> writeReport(const std::string& path, const std::string& title,
                                       const Results& r, const ListedGames& games, bool live) {
    return writeFileAtomically(path, reportPage(title, r, games, live));
}

}  // namespace referee
