#include "referee/stats/stats.h"

#include <cmath>
#include <limits>

#include "referee/stats/elo.h"

namespace referee {

namespace {

const double inf = std::numeric_limits<double>::infinity();

// The pair score's mean, variance, skewness and excess kurtosis under the shares.
struct Moments {
    double mean = 0, var = 0, skew = 0, excessKurtosis = 0;
};

Moments pairScoreMoments(const std::array<double, 5>& share) {
    Moments m;
    for (int i = 0; i < 5; i++) m.mean += share[i] * i / 4.0;
    double m3 = 0, m4 = 0;
    for (int i = 0; i < 5; i++) {
        double d = i / 4.0 - m.mean;
        m.var += share[i] * d * d;
        m3 += share[i] * d * d * d;
        m4 += share[i] * d * d * d * d;
    }
    m.skew = m3 / std::pow(m.var, 1.5);
    m.excessKurtosis = m4 / (m.var * m.var) - 3;
    return m;
}

// The class that holds every pair, or -1 when the pairs fall in more than one.
int onlyClass(const Pentanomial& p) {
    for (int i = 0; i < 5; i++)
        if (p.n[i] == p.pairs()) return i;
    return -1;
}

// All pairs in class c (not the middle one): infinite, bounded on one side by the nElo of
// the distribution with the share q = 0.025^(1 / pairs) in that class and the rest at the
// opposite end. For c above the middle, with v = c / 4: mean q v, variance q (1 - q) v^2.
NormalizedElo oneClassOnly(int c, int pairs) {
    const bool above = c > 2;
    const double v = (above ? c : 4 - c) / 4.0;
    const double logQ = std::log(0.025) / pairs;
    const double q = std::exp(logQ), rest = -std::expm1(logQ);  // 1 - q without cancellation
    const double t = (q * v - 0.5) / (v * std::sqrt(q * rest));
    const double bound = t / std::sqrt(2.0) * kEloPerT;
    NormalizedElo e;
    e.valid = true;
    e.margin = inf;
    e.elo = above ? inf : -inf;
    e.low = above ? bound : -inf;
    e.high = above ? inf : -bound;
    return e;
}

}  // namespace

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

double pentanomialLos(const Pentanomial& p) {
    if (p.pairs() <= 0) return 0.5;
    double total = 0;
    const Moments m = pairScoreMoments(pentanomialShares(p, total));
    // Phi(x) = erfc(-x / sqrt 2) / 2, with x the mean's distance from 1/2 in standard errors.
    return 0.5 * std::erfc(-(m.mean - 0.5) / std::sqrt(2 * m.var / total));
}

NormalizedElo normalizedElo(const Pentanomial& p) {
    NormalizedElo e;
    if (p.pairs() <= 0) return e;
    const int only = onlyClass(p);
    if (only >= 0 && only != 2) return oneClassOnly(only, p.pairs());
    double total = 0;
    const Moments m = pairScoreMoments(pentanomialShares(p, total));
    const double t = (m.mean - 0.5) / std::sqrt(m.var);
    // The delta method on t as a function of the mean and variance; the variance of t is
    // positive in exact arithmetic, so a negative value can only be rounding.
    double varT = 1 - t * m.skew + t * t * (m.excessKurtosis + 2) / 4;
    if (varT < 0) varT = 0;
    const double perT = kEloPerT / std::sqrt(2.0);
    e.valid = true;
    e.elo = t * perT;
    e.margin = z95 * std::sqrt(varT / total) * perT;
    e.low = e.elo - e.margin;
    e.high = e.elo + e.margin;
    return e;
}

}  // namespace referee
