// Adding up record files, such as the shards of one run: the files must hold games of one
// match or tournament (the settings recorded with every game agree) and no game twice;
// the result is the table that one run of all those games prints.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "referee/match.h"
#include "referee/settings.h"

namespace referee {

// The match as far as its table needs it (players' names, times and order, event, size,
// games, anchor, SPRT) from recorded settings. The error text or nothing.
std::optional<std::string> matchFromSettings(const Settings& s, MatchConfig& c);

struct TallyResult {
    MatchConfig match;
    Settings settings;               // those of the first game read
    std::vector<GameRecord> games;   // by game index
    std::vector<std::string> notes;  // what was left out and why (unfinished records)
};

// Reads the files' texts (name, text): every finished record must agree with the first
// one's settings (all but version, date and shard), hold a game of that match with the
// players the schedule gives it, and appear once. The error text or nothing.
std::optional<std::string> tallyFiles(const std::vector<std::pair<std::string, std::string>>& files,
                                      TallyResult& out);

// `referee tally [--json FILE] [--anchor NAME] FILE...`: the table on `out`, notes and
// errors on `err`.
// Returns 0, 1 when the files do not add up, 2 for a wrong command line.
int tallyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace referee
