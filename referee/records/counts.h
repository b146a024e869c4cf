// What a list of game records adds up to: one player's wins, draws and losses, overall and
// per colour, with the ways it lost; the game pairs counted by the points it took; its move
// times; and the games among a field of players as rated games.
#pragma once

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "referee/records/record.h"
#include "referee/stats/ratings.h"
#include "referee/stats/sprt.h"
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

// The sequential test followed game by game, in the order the games finished: the pairs
// complete so far (a pair counts when its second game comes), the ratio after each game,
// and the decision at the first game after which the ratio reached a bound, which stands
// whatever later games do (a run stops starting games there).
class SprtCourse {
  public:
    SprtCourse(const SprtSettings& s, std::string first) : s(s), first(std::move(first)) {}
    // One more finished game of the match; the ratio after it.
    double add(const GameRecord& r);
    const Pentanomial& pairs() const { return counted; }
    double llr() const { return ratio; }
    SprtVerdict verdict() const { return decision; }
    int decidedAfter() const { return decidedAt; }  // games added when it decided; 0 before

  private:
    SprtSettings s;
    std::string first;  // the side whose points the pairs count
    Pentanomial counted;
    std::map<int, int> halfPairs;  // pairs with one game in: its half points, by pair
    double ratio = 0;
    SprtVerdict decision = SprtVerdict::Continue;
    int added = 0, decidedAt = 0;
};

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
