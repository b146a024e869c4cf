// Events of more than two players: the schedule of a round robin or a gauntlet, and the
// table at its end (the cross table and the rating list over all games).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "referee/ratings.h"
#include "referee/record.h"

namespace referee {

enum class Event {
    Match,       // players a and b
    RoundRobin,  // every pair of players
    Gauntlet,    // the first player against every other
};

const char* eventName(Event e);  // "match", "round-robin", "gauntlet"
std::optional<Event> parseEvent(const std::string& text);

// How many pairs of players an event of `players` players holds (0 for fewer than two).
long long pairsOf(Event e, int players);

// Pair k of the event, as player indices (first, second) with first < second. Round robin:
// (0,1), (0,2), ..., (0,P-1), (1,2), ...; gauntlet: (0,1), ..., (0,P-1); match: (0,1).
// k must be below pairsOf(e, players).
std::pair<int, int> pairAt(Event e, int players, long long k);

// The games among `names` as rated games; games with a name not in the list (or against
// itself) are left out.
std::vector<RatedGame> ratedGames(const std::vector<GameRecord>& records,
                                  const std::vector<std::string>& names);

// The closing table of a tournament: game count, cross table, rating list anchored on
// player `anchor`, and how each player lost its lost games.
std::string tournamentText(Event e, int size, const std::vector<std::string>& names, int anchor,
                           const std::vector<GameRecord>& records);

}  // namespace referee
