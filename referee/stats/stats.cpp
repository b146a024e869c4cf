#include "referee/stats/stats.h"

#include <cmath>

#include "referee/stats/elo.h"

namespace referee {

double drawRatio(const Wdl& r) {
    return r.games() > 0 ? static_cast<double>(r.draws) / r.games() : 0;
}

double likelihoodOfSuperiority(const Wdl& r) {
    int decisive = r.wins + r.losses;
    if (decisive <= 0) return 0.5;
    return 0.5 * (1 + std::erf((r.wins - r.losses) / std::sqrt(2.0 * decisive)));
}

std::array<double, 5> pentanomialShares(const Pentanomial& p, double& total) {
    std::array<double, 5> share{};
    total = 0;
    for (int i = 0; i < 5; i++) {
        share[i] = p.n[i] > 0 ? p.n[i] : 1e-3;
        total += share[i];
    }
    for (double& s : share) s /= total;
    return share;
}

NormalizedElo normalizedElo(const Pentanomial& p) {
    NormalizedElo e;
    if (p.pairs() <= 0) return e;
    double total = 0;
    std::array<double, 5> share = pentanomialShares(p, total);
    double mean = 0, var = 0;
    for (int i = 0; i < 5; i++) mean += share[i] * i / 4.0;
    for (int i = 0; i < 5; i++) var += share[i] * (i / 4.0 - mean) * (i / 4.0 - mean);
    double sigma = std::sqrt(2 * var);
    e.valid = true;
    e.elo = (mean - 0.5) / sigma * kEloPerT;
    // The standard error of the mean pair score is sqrt(var / pairs).
    e.margin = z95 * std::sqrt(var / p.pairs()) / sigma * kEloPerT;
    return e;
}

}  // namespace referee
