// Text renderings of a many-player event: the cross table of pair results and the rating
// list, one line per string, without line ends.
#pragma once

#include <string>
#include <vector>

#include "referee/results/results.h"
#include "referee/stats/ratings.h"

namespace referee {

// One row per player: its points and games against every opponent ("2.5/4"; "-" for
// opponents it did not meet) and its total. `cross` is square, one row per name.
std::vector<std::string> crossTableLines(const std::vector<std::vector<CrossCell>>& cross,
                                         const std::vector<std::string>& names);

// The players from strongest to weakest with rating, 95 % interval, games and score; then
// the players without a rating and why, the draw parameter and X's first-move advantage.
// `names` must have one name per rated player.
std::vector<std::string> ratingListLines(const RatingResults& ratings,
                                         const std::vector<std::string>& names);

}  // namespace referee
