// The match report: one self-contained HTML page (styles, scripts and data inline, the board
// drawn as SVG by the page's own script) with every game of some record files to replay.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "referee/records/record.h"

namespace referee {

struct ReportGame {
    GameRecord record;
    std::string file;  // where it was read from
};

// The data the page's script reads, as JSON text that is safe inside a <script> element.
std::string reportData(const std::vector<ReportGame>& games, const std::string& title);

// The whole page.
std::string reportPage(const std::vector<ReportGame>& games, const std::string& title);

// Writes the page to path through a temporary file renamed over it, so that a browser
// reloading it during a match never sees half a page. Returns an error text on failure.
std::optional<std::string> writeReport(const std::string& path,
                                       const std::vector<ReportGame>& games,
                                       const std::string& title);

}  // namespace referee
