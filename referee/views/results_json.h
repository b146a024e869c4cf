// The results of a run or a tally as JSON: the settings, every game and the final
// statistics, for notebooks and rating lists.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "referee/play/config.h"
#include "referee/play/settings.h"
#include "referee/records/record.h"

namespace referee {

// The JSON text. `records` in the order of their game index.
std::string resultsJson(const MatchConfig& c, const Settings& settings,
                        const std::vector<GameRecord>& records, SprtVerdict verdict);

// Writes resultsJson() to `file` (replaced whole, through a temporary file beside it).
// The error text or nothing.
std::optional<std::string> writeResultsJson(const std::string& file, const MatchConfig& c,
                                            const Settings& settings,
                                            const std::vector<GameRecord>& records,
                                            SprtVerdict verdict);

}  // namespace referee
