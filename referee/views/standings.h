// Text renderings of a many-player event: the cross table of pair results and the rating
// list, one line per string, without line ends.
#pragma once

#include <string>
#include <vector>

#include "referee/stats/ratings.h"

namespace referee {

// One row per player: its points and games against every opponent ("2.5/4"; "-" for
// opponents it did not meet) and its total. Games naming players beyond `names` are left
// out.
std::vector<std::string> crossTableLines(const std::vector<RatedGame>& games,
                                         const std::vector<std::string>& names);

// The players from strongest to weakest with rating, 95 % interval, games and score; then
// the players without a rating and why, the draw parameter and X's first-move advantage. `names`
// must have one name per rated player.
std::vector<std::string> ratingListLines(const RatingList& list,
                                         const std::vector<std::string>& names);

}  // namespace referee
