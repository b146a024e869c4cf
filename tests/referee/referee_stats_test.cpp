// Match statistics and the sequential test, against values worked out from the published
// formulas by hand or by an independent brute-force search.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "referee/stats/elo.h"
#include "referee/stats/sprt.h"
#include "referee/stats/stats.h"

using namespace referee;

namespace {

TEST(RefereeStats, DrawRatioAndLikelihoodOfSuperiority) {
    EXPECT_EQ(drawRatio({}), 0);
    EXPECT_DOUBLE_EQ(drawRatio({2, 6, 2}), 0.6);
    // Phi((W - L) / sqrt(W + L)), from a normal table: Phi(5 / sqrt 15) = Phi(1.29099).
    EXPECT_NEAR(likelihoodOfSuperiority({10, 4, 5}), 0.9016472, 1e-6);
    EXPECT_NEAR(likelihoodOfSuperiority({3, 0, 7}), 0.1029516, 1e-6);
    EXPECT_NEAR(likelihoodOfSuperiority({1, 9, 0}), 0.8413447, 1e-6);  // Phi(1)
    EXPECT_EQ(likelihoodOfSuperiority({0, 9, 0}), 0.5);
}

// Published examples of fastchess's unit tests, its counts in our order (0, 1/2, 1, 3/2, 2
// points a pair; its WL and DD added): the normalised Elo and the pentanomial LOS to the
// two decimals published. fastchess's margin is the fixed 1.96 / sqrt(2 pairs) x 800 / ln 10
// (28.28, 10.96, 2.65); ours is the delta method's, worked out by a short Python script of
// the formulas (moments of the regularised shares, t = (mean - 1/2) / sd, var(t) = 1 - t skew
// + t^2 (excess kurtosis + 2) / 4), as are the values of the hand-sized cases below.
TEST(RefereeStats, NormalizedEloAndPentanomialLosMatchPublishedAndWorkedOutValues) {
    struct Case {
        Pentanomial p;
        double elo, margin, los;
        bool published;  // elo and LOS (in %) to two decimals; else worked out to nine
    };
    const Case cases[] = {
        {{{34, 54, 63, 64, 75}}, 57.94, 29.232878458, 1.0000, true},
        {{{332, 433, 498, 333, 334}}, -9.17, 10.981292604, 0.0505, true},
        {{{7895, 8757, 5685, 568, 9999}}, -19.01, 2.686383021, 0.0000, true},
        {{{1, 3, 10, 5, 2}}, 48.890964985, 106.741569278, 0.819106863, false},
        {{{2, 5, 10, 3, 1}}, -48.890964985, 106.741569278, 0.180893137, false},
        {{{0, 1, 4, 9, 6}}, 293.505638549, 159.877091413, 0.999999954, false},
        {{{0, 0, 1, 3, 16}}, 800.210845157, 505.647063201, 1.0, false},
        // Seven pairs of one point each: no difference, and still a margin.
        {{{0, 0, 7, 0, 0}}, 0, 181.942569079, 0.5, false},
    };
    for (const Case& c : cases) {
        NormalizedElo e = normalizedElo(c.p);
        ASSERT_TRUE(e.valid);
        EXPECT_NEAR(e.elo, c.elo, c.published ? 0.005 : 1e-8) << c.p.n[0];
        EXPECT_NEAR(e.margin, c.margin, 1e-6) << c.p.n[0];
        EXPECT_NEAR(e.low, e.elo - e.margin, 1e-9);
        EXPECT_NEAR(e.high, e.elo + e.margin, 1e-9);
        EXPECT_NEAR(pentanomialLos(c.p), c.los, c.published ? 0.00005 : 1e-9) << c.p.n[0];
    }
    EXPECT_FALSE(normalizedElo({}).valid);
    EXPECT_EQ(pentanomialLos({}), 0.5);
}

// The delta method done numerically: t as a function of the five shares, its gradient by
// central differences, and the multinomial covariance (diag(p) - p p^T) / pairs.
double numericMargin(const Pentanomial& counts) {
    double total = 0;
    std::array<double, 5> p{};
    for (int i = 0; i < 5; i++) total += p[i] = counts.n[i] > 0 ? counts.n[i] : 1e-3;
    for (double& x : p) x /= total;
    auto t = [](const std::array<double, 5>& q) {
        double sum = 0, mean = 0, square = 0;
        for (int i = 0; i < 5; i++) sum += q[i], mean += q[i] * i / 4, square += q[i] * i * i / 16;
        mean /= sum;
        return (mean - 0.5) / std::sqrt(square / sum - mean * mean);
    };
    std::array<double, 5> g{};
    for (int i = 0; i < 5; i++) {
        std::array<double, 5> up = p, down = p;
        up[i] += 1e-6;
        down[i] -= 1e-6;
        g[i] = (t(up) - t(down)) / 2e-6;
    }
    double var = 0;
    for (int i = 0; i < 5; i++)
        for (int j = 0; j < 5; j++) var += g[i] * g[j] * ((i == j ? p[i] : 0) - p[i] * p[j]);
    return 1.959963984540054 * std::sqrt(var / total) / std::sqrt(2.0) * 800 / std::log(10.0);
}

TEST(RefereeStats, NormalizedEloMarginIsTheDeltaMethod) {
    for (const Pentanomial& p : {Pentanomial{{1, 3, 10, 5, 2}}, Pentanomial{{40, 10, 5, 10, 35}},
                                 Pentanomial{{0, 2, 30, 1, 0}}, Pentanomial{{3, 0, 0, 0, 9}},
                                 Pentanomial{{300, 1000, 1500, 1100, 350}}}) {
        double want = numericMargin(p);
        EXPECT_NEAR(normalizedElo(p).margin, want, 1e-5 * want) << p.n[0] << " " << p.n[4];
    }
    // It depends on the results, not on the number of pairs alone: the same 56 pairs.
    EXPECT_GT(normalizedElo({{0, 4, 10, 30, 12}}).margin,
              1.2 * normalizedElo({{12, 4, 24, 4, 12}}).margin);
}

TEST(RefereeStats, AllPairsInOneClassAreInfiniteWithOneFiniteBound) {
    // The bound is the nElo of the distribution with the class's share q = 0.025^(1/pairs)
    // and the rest at 0 points; a random search over all distributions with that share or
    // more (Python, 200000 draws each) found none lower. Worked out: 10 won pairs give
    // q = 0.691503, t = 0.414622, x 800 / ln 10 / sqrt 2 = 101.862.
    struct Case {
        Pentanomial p;
        double bound;  // the finite side
    };
    const Case cases[] = {{{{0, 0, 0, 0, 10}}, 101.861974170},
                          {{{0, 0, 0, 0, 5550}}, 4760.664148501},
                          {{{0, 0, 0, 10, 0}}, 13.210594018},
                          {{{0, 0, 0, 0, 1}}, -747.447335230}};
    for (const Case& c : cases) {
        NormalizedElo e = normalizedElo(c.p);
        ASSERT_TRUE(e.valid);
        EXPECT_EQ(e.elo, INFINITY);
        EXPECT_EQ(e.high, INFINITY);
        EXPECT_EQ(e.margin, INFINITY);
        EXPECT_NEAR(e.low, c.bound, 1e-6);
        Pentanomial mirrored{{c.p.n[4], c.p.n[3], c.p.n[2], c.p.n[1], c.p.n[0]}};
        NormalizedElo m = normalizedElo(mirrored);
        EXPECT_EQ(m.elo, -INFINITY);
        EXPECT_EQ(m.low, -INFINITY);
        EXPECT_NEAR(m.high, -c.bound, 1e-6);
    }
    // One pair lost among the won ones: finite again, however lopsided.
    NormalizedElo almost = normalizedElo({{1, 0, 0, 0, 10}});
    EXPECT_TRUE(std::isfinite(almost.elo));
    EXPECT_TRUE(std::isfinite(almost.margin));
    EXPECT_GT(almost.elo, 0);
    EXPECT_NEAR(pentanomialLos({{0, 0, 0, 0, 10}}), 1, 1e-12);
}

TEST(RefereeStats, AllDrawnMatchesStillHaveAnInterval) {
    // 1/2 +- (1 - 0.025^(1/n)) / 2 as a score: n = 5 gives 0.760909 = +201.11 Elo, n = 100
    // gives 0.518099 = +12.588.
    EloEstimate five = estimateElo(0, 5, 0);
    EXPECT_EQ(five.elo, 0);
    EXPECT_NEAR(five.high, 201.110542, 1e-5);
    EXPECT_NEAR(five.low, -201.110542, 1e-5);
    EloEstimate hundred = estimateElo(0, 100, 0);
    EXPECT_NEAR(hundred.high, 12.588474, 1e-5);
    EloEstimate one = estimateElo(0, 1, 0);
    EXPECT_NEAR(one.high, 759.050837, 1e-5);
    for (int n = 1; n <= 1000; n *= 3) {
        EloEstimate e = estimateElo(0, n, 0);
        EXPECT_GT(e.high - e.low, 1.0) << n;
    }
}

TEST(RefereeSprt, BoundsAndRefusedSettings) {
    SprtSettings s;
    EXPECT_NEAR(s.lowerBound(), -2.944439, 1e-6);  // ln(0.05 / 0.95)
    EXPECT_NEAR(s.upperBound(), 2.944439, 1e-6);
    SprtSettings t{0, 5, 0.05, 0.1};
    EXPECT_NEAR(t.lowerBound(), -2.251292, 1e-6);  // ln(0.1 / 0.95)
    EXPECT_NEAR(t.upperBound(), 2.890372, 1e-6);   // ln(0.9 / 0.05)
    EXPECT_FALSE(checkSprt(s));
    EXPECT_TRUE(checkSprt({5, 5, 0.05, 0.05}));
    EXPECT_TRUE(checkSprt({5, 0, 0.05, 0.05}));
    EXPECT_TRUE(checkSprt({0, 5, 0, 0.05}));
    EXPECT_TRUE(checkSprt({0, 5, 0.05, 1}));
    EXPECT_TRUE(checkSprt({0, 5, 0.6, 0.5}));
    EXPECT_TRUE(checkSprt({0, NAN, 0.05, 0.05}));
    EXPECT_EQ(sprtVerdict(s, 3.0), SprtVerdict::AcceptH1);
    EXPECT_EQ(sprtVerdict(s, -3.0), SprtVerdict::AcceptH0);
    EXPECT_EQ(sprtVerdict(s, 2.9), SprtVerdict::Continue);
}

// The best distribution over loss / draw / win with (mean - 1/2) / sd = t, by brute
// force: for each draw share on a fine grid, the win share that meets the constraint is
// found by bisection (t grows with it), and the best log-likelihood is kept.
double bruteForceBest(const std::vector<double>& observed, double t, std::vector<double>& best) {
    double bestValue = -INFINITY;
    auto value = [&](double d) {
        auto tOf = [&](double w) {
            double mu = w + d / 2, var = w + d / 4 - mu * mu;
            return (mu - 0.5) / std::sqrt(var);
        };
        double lo = 0, hi = 1 - d;
        for (int i = 0; i < 200; i++) {
            double m = (lo + hi) / 2;
            (tOf(m) < t ? lo : hi) = m;
        }
        double w = (lo + hi) / 2, l = 1 - d - w;
        if (w <= 0 || l <= 0) return std::pair{-HUGE_VAL, w};
        return std::pair{
            observed[0] * std::log(l) + observed[1] * std::log(d) + observed[2] * std::log(w), w};
    };
    double from = 1e-6, to = 1 - 1e-6;
    for (int zoom = 0; zoom < 6; zoom++) {
        double step = (to - from) / 2000, bestD = from;
        for (int i = 0; i <= 2000; i++) {
            double d = from + i * step;
            auto [v, w] = value(d);
            if (v > bestValue) {
                bestValue = v;
                bestD = d;
                best = {1 - d - w, d, w};
            }
        }
        from = std::max(1e-9, bestD - step);
        to = std::min(1 - 1e-9, bestD + step);
    }
    return bestValue;
}

TEST(RefereeSprt, ClosestDistributionMatchesABruteForceSearch) {
    const std::vector<double> scores{0, 0.5, 1};
    const std::vector<std::vector<double>> shares{
        {0.3, 0.4, 0.3}, {0.2, 0.5, 0.3}, {0.45, 0.1, 0.45}, {0.05, 0.9, 0.05}};
    for (const auto& observed : shares) {
        for (double t : {-0.1, 0.0, 0.02, 0.15}) {
            std::vector<double> want;
            double wantValue = bruteForceBest(observed, t, want);
            std::vector<double> got = closestDistribution(scores, observed, t);
            ASSERT_EQ(got.size(), 3u);
            double gotValue = 0, mu = 0, var = 0, sum = 0;
            for (int i = 0; i < 3; i++) {
                gotValue += observed[i] * std::log(got[i]);
                mu += got[i] * scores[i];
                sum += got[i];
            }
            for (int i = 0; i < 3; i++) var += got[i] * (scores[i] - mu) * (scores[i] - mu);
            EXPECT_NEAR(sum, 1, 1e-9);
            EXPECT_NEAR((mu - 0.5) / std::sqrt(var), t, 1e-7);
            EXPECT_NEAR(gotValue, wantValue, 1e-8) << observed[0] << " " << t;
            for (int i = 0; i < 3; i++) EXPECT_NEAR(got[i], want[i], 1e-4);
        }
    }
}

TEST(RefereeSprt, PentanomialLlrFollowsTheLargeSampleForm) {
    // For small differences the log-likelihood ratio approaches
    // pairs * (t1 - t0) * (2 t - t0 - t1) / 2, with t = (mean - 1/2) / sd of the pair score
    // and t0, t1 = sqrt(2) * elo / (800 / ln 10).
    struct Case {
        Pentanomial p;
        double elo0, elo1;
    };
    const Case cases[] = {
        {{{100, 800, 2000, 900, 120}}, 0, 5},
        {{{120, 900, 2000, 800, 100}}, 0, 5},
        {{{300, 1000, 1500, 1100, 350}}, -3, 3},
        {{{50, 400, 1000, 430, 55}}, 0, 10},
    };
    for (const Case& c : cases) {
        double pairs = c.p.pairs(), mu = 0, var = 0;
        for (int i = 0; i < 5; i++) mu += c.p.n[i] * i / 4.0 / pairs;
        for (int i = 0; i < 5; i++) var += c.p.n[i] / pairs * (i / 4.0 - mu) * (i / 4.0 - mu);
        double t = (mu - 0.5) / std::sqrt(var);
        double t0 = std::sqrt(2.0) * c.elo0 * std::log(10.0) / 800;
        double t1 = std::sqrt(2.0) * c.elo1 * std::log(10.0) / 800;
        double approx = pairs * (t1 - t0) * (2 * t - t0 - t1) / 2;
        double llr = sprtLlr({c.elo0, c.elo1, 0.05, 0.05}, c.p);
        EXPECT_NEAR(llr, approx, 0.02 * std::abs(approx) + 0.02) << approx;
    }
    // Mirrored counts with mirrored hypotheses: the same likelihoods, H0 and H1 swapped.
    Pentanomial p{{3, 11, 20, 14, 5}}, m{{5, 14, 20, 11, 3}};
    EXPECT_NEAR(sprtLlr({0, 5, 0.05, 0.05}, p), -sprtLlr({-5, 0, 0.05, 0.05}, m), 1e-9);
    EXPECT_EQ(sprtLlr({}, {}), 0);
}

}  // namespace
