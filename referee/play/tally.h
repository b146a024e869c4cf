// Adding up record files, such as the shards of one run: the files must hold games of one
// match or tournament (the settings recorded with every game agree) and no game twice;
// the result is the table that one run of all those games prints.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "referee/play/config.h"
#include "referee/play/settings.h"
#include "referee/records/record.h"

namespace referee {

struct TallyResult {
    MatchConfig match;
    Settings settings;               // those of the latest run
    std::vector<GameRecord> games;   // in the order of the files
    std::vector<std::string> notes;  // what was left out and why (unfinished records)
};

// Reads the files' texts (name, text): the latest run's record (by start date, the later
// one on a tie) gives the match; every finished record must agree with its settings (all
// but games, test, version, date and shard: a file that --resume continued may hold runs
// with other --games and --sprt), hold a game of that match with the players the schedule
// gives it, and appear once; and each file's latest run must have the same games and test.
// The error text or nothing.
std::optional<std::string> tallyFiles(const std::vector<std::pair<std::string, std::string>>& files,
                                      TallyResult& out);

}  // namespace referee
