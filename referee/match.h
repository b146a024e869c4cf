// A match: games from a list of openings, each opening played twice with the colours
// swapped, several games at once, every finished game appended to the output file so that
// a stopped match can be resumed.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "referee/openings.h"
#include "referee/player.h"
#include "referee/record.h"
#include "referee/sprt.h"
#include "referee/stats.h"
#include "referee/tournament.h"

namespace referee {

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
    // Called after every finished game with all games so far (resumed ones first).
    std::function<void(const std::vector<GameRecord>&)> afterGame;
    // Called once at the end with all games in the order of their index.
    std::function<void(const std::vector<GameRecord>&, SprtVerdict)> afterRun;
};

// The players of the match or tournament, a and b for a match.
std::vector<const PlayerSetup*> entrants(const MatchConfig& c);

// In a match, game g starts from opening (g / 2) mod count and player a is X in even
// games. In a tournament, game g is game w = g mod perPair of pair g / perPair and goes
// the same way with the pair's first player in the place of a. Games 2k and 2k + 1 form
// pair k (in a tournament when perPair is even).
struct Pairing {
    int opening;
    bool aIsX;                  // the first player is X
    int first = 0, second = 1;  // indices into entrants()
};
Pairing pairing(const MatchConfig& c, int game);

// Whether game g is one this run plays (its shard).
inline bool inShard(const MatchConfig& c, int game) {
    return c.shards <= 1 || game % c.shards == c.shard;
}

// What a finished record must agree with to count as game r.game of this match.
std::optional<std::string> checkRecord(const MatchConfig& c, const GameRecord& r);

// When games would start like an earlier one of the match (same opening, same colours):
// the text that says so, or nothing.
std::optional<std::string> repeatedGames(const MatchConfig& c);

struct Tally {
    int wins = 0, draws = 0, losses = 0;
    Wdl asX, asO;
    std::array<int, 6> lostBy{};  // indexed by Loss
    double score() const { return wins + 0.5 * draws; }
    int games() const { return wins + draws + losses; }
    Wdl wdl() const { return {wins, draws, losses}; }
};
Tally tally(const std::vector<GameRecord>& records, const std::string& name);

// The pairs of which both games are in `records`, counted by the points `name` took.
Pentanomial pairCounts(const std::vector<GameRecord>& records, const std::string& name);

// Seconds per move of one player over its own moves (the opening not counted).
struct MoveTimes {
    int moves = 0;
    double mean = 0, slowest = 0;
    double leastLeft = 0;  // smallest time per move minus seconds taken
};
MoveTimes moveTimes(const std::vector<GameRecord>& records, const PlayerSetup& p);

// The final table; `verdict` is the test's decision when one was reached.
std::string summaryText(const MatchConfig& c, const std::vector<GameRecord>& records,
                        SprtVerdict verdict = SprtVerdict::Continue);

// Plays the games not yet in the output; progress on `progress`, boards, records without
// an output file and the summary on `out`. Returns the exit status: 0 done, 1 failed,
// 130 stopped.
int runMatch(const MatchConfig& c, std::ostream& out, std::ostream& progress);

}  // namespace referee
