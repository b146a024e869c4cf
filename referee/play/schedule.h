// Which game is which: the pairs of players a tournament plays, the opening and colours of
// every game, the games of a shard, and whether a recorded game is the one the schedule
// has at its place.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "referee/play/config.h"
#include "referee/records/record.h"

namespace referee {

// How many pairs of players an event of `players` players holds (0 for fewer than two).
long long pairsOf(Event e, int players);

// Pair k of the event, as player indices (first, second) with first < second. Round robin:
// (0,1), (0,2), ..., (0,P-1), (1,2), ...; gauntlet: (0,1), ..., (0,P-1); match: (0,1).
// k must be below pairsOf(e, players).
std::pair<int, int> pairAt(Event e, int players, long long k);

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

// Whether a finished record has the place the schedule gives game r.game: a game of the
// run, X and O as the schedule has them, the board size. The error text or nothing.
std::optional<std::string> checkPlace(const MatchConfig& c, const GameRecord& r);

// What a finished record must agree with to count as game r.game of this run: its place,
// this run's shard and the opening it started from.
std::optional<std::string> checkRecord(const MatchConfig& c, const GameRecord& r);

// When games would start like an earlier one of the match (same opening, same colours):
// the text that says so, or nothing.
std::optional<std::string> repeatedGames(const MatchConfig& c);

}  // namespace referee
