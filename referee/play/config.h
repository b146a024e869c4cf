// What one run of the referee plays: a match of two players or a tournament of many, on
// which board, from which openings, how many games, and the limits every option keeps to.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "referee/play/openings.h"
#include "referee/players/player.h"
#include "referee/stats/sprt.h"

namespace referee {

// Seconds per move a player may be given.
constexpr double kMinMoveSeconds = 0.001, kMaxMoveSeconds = 86400;
// The most games of one run (a match, or all pairs of a tournament together).
constexpr int kMaxGames = 10000000;
// The most shards a run may be split into.
constexpr int kMaxShards = 1000000;
// The longest grace over a player's time, in seconds.
constexpr double kMaxMarginSeconds = 3600;
// The longest game, and the longest opening, in plies.
constexpr int kMaxPlies = 1000000;
// The most games played at the same time.
constexpr int kMaxJobs = 256;

enum class Event {
    Match,       // players a and b
    RoundRobin,  // every pair of players
    Gauntlet,    // the first player against every other
};

const char* eventName(Event e);  // "match", "round-robin", "gauntlet"
std::optional<Event> parseEvent(const std::string& text);

struct MatchConfig {
    PlayerSetup a, b;  // the two players of a match
    // A tournament (event other than Match): its players, a and b unused; every pair plays
    // perPair games, pair after pair in the order of pairAt().
    Event event = Event::Match;
    std::vector<PlayerSetup> field;
    int perPair = 0;
    int anchor = 0;  // the player rated 0
    // This run plays only the games whose index is shard modulo shards.
    int shard = 0, shards = 1;
    int size = 6;
    std::vector<Opening> openings{Opening()};  // at least one (possibly empty) opening
    int games = 2;
    int jobs = 1;
    int maxPlies = 400;
    double margin = 1;
    bool show = false;
    std::string output;  // empty: records go to standard output
    bool resume = false;
    std::optional<SprtSettings> sprt;  // ends the match early when set
    bool allowRepeats = false;         // play games that repeat an earlier one's start
    bool check = true;                 // probe both players before the first game
    // For the records: where the openings came from, the seed, the referee's version and
    // the date the run started.
    std::string openingsSource = "none", version, date;
    uint64_t seed = 1;
};

// The players of the match or tournament, a and b for a match.
std::vector<const PlayerSetup*> entrants(const MatchConfig& c);

}  // namespace referee
