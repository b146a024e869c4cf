// The match report: one self-contained HTML page (styles, scripts and the results document
// inline, the board drawn as SVG by the page's own script) with every game to replay.
#pragma once

#include <optional>
#include <string>

#include "referee/results/results.h"
#include "referee/views/results_json.h"

namespace referee {

// "A vs B" for a match, "round-robin of 4 players" for a tournament.
std::string eventTitle(const EventInfo& e);

// The whole page; `live` while a run is still playing: the page then reloads itself.
std::string reportPage(const std::string& title, const Results& r, const ListedGames& games,
                       bool live = false);

// Writes the page to path through a temporary file renamed over it, so that a browser
// reloading it during a match never sees half a page. Returns an error text on failure.
std::optional<std::string> writeReport(const std::string& path, const std::string& title,
                                       const Results& r, const ListedGames& games,
                                       bool live = false);

}  // namespace referee
