// Elo difference from match counts, with a 95% interval from the spread of the per-game
// scores (win 1, draw 1/2, loss 0). A match won (or lost) in every game has an infinite
// estimate; its interval is then bounded on the finite side by the exact binomial bound.
// A match drawn in every game gets the bound from having seen no decisive game, so the
// interval has a width on any finite number of games.
#pragma once

#include <string>

namespace referee {

// The standard normal quantile that leaves 2.5 % on each side: the half width of a 95 %
// interval in standard errors.
constexpr double z95 = 1.959963984540054;
// Elo points per factor of ten in the odds of winning.
constexpr double eloPerDecade = 400.0;

struct EloEstimate {
    double score = 0;                   // fraction p = (wins + draws / 2) / games
    double elo = 0, low = 0, high = 0;  // +-infinity when p (or a bound) reaches 0 or 1
    bool valid = false;                 // false without games
};

// The Elo difference that makes p the expected score: -400 log10(1 / p - 1).
double eloFromScore(double p);

EloEstimate estimateElo(int wins, int draws, int losses);

// "+147", "-inf", "+inf"
std::string formatElo(double e);

}  // namespace referee
