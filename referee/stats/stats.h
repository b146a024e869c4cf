// Match statistics from result counts: draw ratio, likelihood of superiority, pentanomial
// counts of game pairs and the normalised Elo they give. Pure functions.
#pragma once

#include <array>

namespace referee {

// Games won, drawn and lost, from one side's point of view.
struct Wdl {
    int wins = 0, draws = 0, losses = 0;
    int games() const { return wins + draws + losses; }
    double points() const { return wins + 0.5 * draws; }
};

// Draws per game; 0 without games.
double drawRatio(const Wdl& r);

// Likelihood of superiority: the chance that the side is the stronger one, from the
// decisive games alone (normal approximation): 1/2 (1 + erf((W - L) / sqrt(2 (W + L)))).
// 1/2 without decisive games.
double likelihoodOfSuperiority(const Wdl& r);

// Counts of game pairs (the two games of one opening, colours swapped) by the points one
// side took from the pair: index 0 for 0 points (two losses), 1 for 1/2, 2 for 1 (two
// draws or a win and a loss), 3 for 3/2, 4 for 2 (two wins).
struct Pentanomial {
    std::array<int, 5> n{};
    int pairs() const { return n[0] + n[1] + n[2] + n[3] + n[4]; }
};

// The counts as probabilities, each empty class given 1/1000 of a pair so that no class
// has probability 0 (the same rule the sequential test uses); fills `total` with the
// regularised number of pairs.
std::array<double, 5> pentanomialShares(const Pentanomial& p, double& total);

// The likelihood of superiority from the pairs: with the pair score x in {0, 1/4, 1/2,
// 3/4, 1}, its mean m and variance v over the regularised shares, Phi((m - 1/2) /
// sqrt(v / pairs)). Unlike the decisive-games LOS it counts draws and the pairing. 1/2
// without pairs.
double pentanomialLos(const Pentanomial& p);

// Normalised Elo with t = (m - 1/2) / sqrt(v), the pair score's mean over its standard
// deviation (regularised shares): nElo = t / sqrt(2) * 800 / ln 10, so that small
// differences read like logistic Elo. The 95 % interval is nElo +- margin by the delta
// method on t: var(t) = (1 - t skew + t^2 (excess kurtosis + 2) / 4) / pairs.
//
// When every pair falls in one class other than the middle one the pair score has no
// spread and the value is infinite (+inf for 3/2 or 2 points a pair, -inf for 1/2 or 0).
// The finite bound is the nElo of the weakest distribution under which all of the pairs
// land in that class with a chance of 2.5 %: the class's share q = 0.025^(1 / pairs),
// the rest at 0 points (for the mirror image at 2). The margin is then infinite. Not
// valid without pairs.
struct NormalizedElo {
    double elo = 0;
    double margin = 0;         // half width of the interval; +inf when elo is infinite
    double low = 0, high = 0;  // the 95 % interval
    bool valid = false;
};
NormalizedElo normalizedElo(const Pentanomial& p);

// 800 / ln 10: Elo per unit of t = (score - 1/2) / sigma near a score of 1/2.
inline constexpr double kEloPerT = 347.43558552260146;

}  // namespace referee
