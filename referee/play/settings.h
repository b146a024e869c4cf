// The settings a match was played with, as name/value pairs written into every game
// record, and the comparison that decides whether a record file can be continued.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "referee/play/config.h"

namespace referee {

using Settings = std::vector<std::pair<std::string, std::string>>;

// The value of the setting called name; null when there is none.
const std::string* findSetting(const Settings& s, const std::string& name);

// The match's settings in a fixed order: for each player (prefix a- and b-) command,
// protocol, dir, name and time, and its sandbox's limits when it has one; then size, margin,
// max-plies, games, openings, seed, sprt, version and date. A tournament starts with its kind
// ("tournament") and "players", names its players' settings p1- ... pN-, and adds games-per-pair
// and anchor; a shard of a run split in several adds "shard" (K/M).
Settings matchSettings(const MatchConfig& c);

// The first setting that decides how games are played and differs between a recorded
// set and the current one, as "name: recorded 'x', now 'y'"; nothing when they agree.
// games, sprt, anchor, shard, version and date may change between runs of one match.
std::optional<std::string> settingsDiffer(const Settings& recorded, const Settings& now);

// The match as far as its table needs it (players' names, times and order, event, size,
// games, anchor, SPRT) from recorded settings. The error text or nothing.
std::optional<std::string> matchFromSettings(const Settings& s, MatchConfig& c);

}  // namespace referee
