#include "referee/stats/elo.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace referee {

double eloFromScore(double p) {
    const double inf = std::numeric_limits<double>::infinity();
    if (p <= 0) return -inf;
    if (p >= 1) return inf;
    return -eloPerDecade * std::log10(1.0 / p - 1.0);
}

EloEstimate estimateElo(int wins, int draws, int losses) {
    EloEstimate e;
    int n = wins + draws + losses;
    if (wins < 0 || draws < 0 || losses < 0 || n <= 0) return e;
    e.valid = true;
    double p = (wins + 0.5 * draws) / n;
    e.score = p;
    // Variance of one game's score around p, then the standard error of the mean.
    double var = (wins * (1 - p) * (1 - p) + draws * (0.5 - p) * (0.5 - p) + losses * p * p) / n;
    double se = std::sqrt(var / n);
    const double z = z95;
    e.elo = eloFromScore(p);
    e.low = eloFromScore(p - z * se);
    e.high = eloFromScore(p + z * se);
    // All games won (or all lost) leave no spread, and the interval above would be a single
    // infinite point. The exact binomial bound is used on the finite side instead: the
    // score at which n wins in n games have a chance of 2.5%.
    if (wins == n) e.low = eloFromScore(std::pow(0.025, 1.0 / n));
    if (losses == n) e.high = eloFromScore(1 - std::pow(0.025, 1.0 / n));
    // All games drawn leave no spread either, yet say little after few games. The chance
    // of no win in n games stays above 2.5% while the win rate is below 1 - 0.025^(1/n);
    // a score above 1/2 needs wins, so 1/2 plus half that rate bounds it (and the same for
    // losses below).
    if (draws == n) {
        double rate = 1 - std::pow(0.025, 1.0 / n);
        e.low = eloFromScore(0.5 - rate / 2);
        e.high = eloFromScore(0.5 + rate / 2);
    }
    return e;
}

std::string formatElo(double e) {
    if (std::isinf(e)) return e > 0 ? "+inf" : "-inf";
    char buf[32];
    snprintf(buf, sizeof buf, "%+.0f", e);
    if (std::string(buf) == "-0") return "+0";
    return buf;
}

}  // namespace referee
