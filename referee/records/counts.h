// What a list of game records adds up to: one player's wins, draws and losses, overall and
// per colour, with the ways it lost; the game pairs counted by the points it took; its move
// times; and the games among a field of players as rated games.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "referee/records/record.h"
#include "referee/stats/ratings.h"
#include "referee/stats/stats.h"

namespace referee {

struct Tally {
    int wins = 0, draws = 0, losses = 0;
    Wdl asX, asO;
    std::array<int, 6> lostBy{};  // indexed by Loss
    double score() const { return wins + 0.5 * draws; }
    int games() const { return wins + draws + losses; }
    Wdl wdl() const { return {wins, draws, losses}; }
};
Tally tally(const std::vector<GameRecord>& records, const std::string& name);

// The pairs (games 2k and 2k + 1) of which both games are in `records`, counted by the
// points `name` took.
Pentanomial pairCounts(const std::vector<GameRecord>& records, const std::string& name);

// Seconds per move of one player over its own moves (the opening not counted).
struct MoveTimes {
    int moves = 0;
    double mean = 0, slowest = 0;
    double leastLeft = 0;  // smallest time per move minus seconds taken
};
MoveTimes moveTimes(const std::vector<GameRecord>& records, const std::string& name,
                    double timePerMove);

// The games among `names` as rated games; games with a name not in the list (or against
// itself) are left out.
std::vector<RatedGame> ratedGames(const std::vector<GameRecord>& records,
                                  const std::vector<std::string>& names);

}  // namespace referee
