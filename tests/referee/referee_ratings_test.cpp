// Ratings of many players, checked against closed forms, a brute-force maximisation of the
// likelihood written out here on its own, and the symmetries the model must have.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>

#include "referee/results/results.h"
#include "referee/stats/elo.h"
#include "referee/stats/ratings.h"
#include "referee/views/standings.h"

using namespace referee;
using Kind = PlayerRating::Kind;

namespace {

const double inf = std::numeric_limits<double>::infinity();

// Adds `count` games of a against b with a's result, alternating colours.
void add(std::vector<RatedGame>& games, int a, int b, double resultForA, int count) {
    for (int k = 0; k < count; ++k) {
        if (k % 2 == 0)
            games.push_back({a, b, resultForA});
        else
            games.push_back({b, a, 1 - resultForA});
    }
}

// The list with X's first-move advantage fitted (the default), or with colours left out.
RatingList rate(int players, const std::vector<RatedGame>& games, int anchor = 0,
                bool firstMove = true) {
    RatingList list;
    auto error = rateGames(players, games, anchor, list, firstMove);
    EXPECT_FALSE(error) << *error;
    EXPECT_TRUE(list.converged);
    return list;
}

// The chances of a game, X won, O won, drawn, for X's and O's ratings and X's advantage
// in Elo, straight from the model.
std::array<double, 3> chances(double eloX, double eloO, double nu, double advantage) {
    double sx = std::pow(10.0, (eloX + advantage) / 400), so = std::pow(10.0, eloO / 400);
    double draw = nu * std::sqrt(sx * so), total = sx + so + draw;
    return {sx / total, so / total, draw / total};
}

// The log-likelihood straight from the outcome probabilities, ratings in Elo.
double logLikelihood(const std::vector<double>& elo, double nu, const std::vector<RatedGame>& games,
                     double advantage = 0) {
    double sum = 0;
    for (const RatedGame& g : games) {
        auto c = chances(elo[g.x], elo[g.o], nu, advantage);
        sum += std::log(g.result == 1 ? c[0] : g.result == 0 ? c[1] : c[2]);
    }
    return sum;
}

// With the prior: three games between equal players, won by X, won by O, drawn. Without
// an advantage: log(nu / (2 + nu)) - 2 log(2 + nu).
double logPosterior(const std::vector<double>& elo, double nu, const std::vector<RatedGame>& games,
                    double advantage = 0) {
    auto c = chances(0, 0, nu, advantage);
    return logLikelihood(elo, nu, games, advantage) + std::log(c[0] * c[1] * c[2]);
}

// The maximum over the ratings of players 1 .. n-1 (player 0 at 0) and log nu, with X's
// advantage too when asked: a grid (advantage 0), then a pattern search with shrinking
// steps from its best point. Returns the ratings, then log nu, then the advantage.
std::vector<double> bruteForce(int n, const std::vector<RatedGame>& games, bool firstMove) {
    std::vector<double> x(n + 1, 0.0), best = x;  // x[0] holds log nu, x[n] the advantage
    double top = -inf;
    auto value = [&](const std::vector<double>& v) {
        std::vector<double> elo(v.begin(), v.end() - 1);
        elo[0] = 0;
        return logPosterior(elo, std::exp(v[0]), games, v[n]);
    };
    std::vector<int> at(n, 0);
    for (;;) {  // odometer over the grid: ratings -600 .. 600 by 16, log nu -3 .. 3 by 0.2
        x[0] = -3 + 0.2 * at[0];
        for (int i = 1; i < n; ++i) x[i] = -600 + 16 * at[i];
        double v = value(x);
        if (v > top) top = v, best = x;
        int i = 0;
        while (i < n && ++at[i] > (i == 0 ? 30 : 75)) at[i++] = 0;
        if (i == n) break;
    }
    const int searched = firstMove ? n + 1 : n;
    for (double step = 8; step > 1e-5; step /= 2)
        for (bool moved = true; moved;) {
            moved = false;
            for (int i = 0; i < searched; ++i)
                for (int sign : {-1, 1}) {
                    std::vector<double> y = best;
                    y[i] += sign * (i == 0 ? step / 100 : step);
                    double v = value(y);
                    if (v > top) top = v, best = y, moved = true;
                }
        }
    std::vector<double> out(best.begin() + 1, best.end() - 1);
    out.push_back(best[0]);
    out.push_back(best[n]);
    return out;
}

// Checks the ratings (anchor 0), nu and the advantage against the brute-force maximum.
void expectMaximum(int n, const std::vector<RatedGame>& games, bool firstMove) {
    RatingList list = rate(n, games, 0, firstMove);
    std::vector<double> best = bruteForce(n, games, firstMove);
    for (int i = 1; i < n; ++i) {
        ASSERT_EQ(list.players[i].kind, Kind::Finite);
        EXPECT_NEAR(list.players[i].elo, best[i - 1], 0.01) << "player " << i;
        EXPECT_LT(list.players[i].low, list.players[i].elo);
        EXPECT_GT(list.players[i].high, list.players[i].elo);
    }
    EXPECT_NEAR(std::log(list.nu), best[n - 1], 1e-4);
    EXPECT_EQ(list.firstMoveFitted, firstMove);
    EXPECT_NEAR(list.firstMove, best[n], 0.01);
    if (firstMove) {
        EXPECT_LT(list.firstMoveLow, list.firstMove);
        EXPECT_GT(list.firstMoveHigh, list.firstMove);
    }
    // And the brute force finds nothing better than the answer.
    std::vector<double> elo;
    for (const auto& p : list.players) elo.push_back(p.elo);
    std::vector<double> found(best.begin(), best.end() - 2);
    found.insert(found.begin(), 0.0);
    EXPECT_GE(logPosterior(elo, list.nu, games, list.firstMove),
              logPosterior(found, std::exp(best[n - 1]), games, best[n]) - 1e-9);
}

TEST(Ratings, TwoPlayersMatchTheClosedForm) {
    // Two players: the model has as many parameters as free outcome frequencies, so the
    // likelihood alone peaks where it reproduces them: wins / losses = 10^(d / 400) and
    // nu = D / sqrt(W L). With 4 wins, 2 draws and 1 loss that nu is 1, where the prior
    // peaks as well, so the closed form holds exactly.
    std::vector<RatedGame> games;
    add(games, 0, 1, 1, 4);
    add(games, 0, 1, 0.5, 2);
    add(games, 0, 1, 0, 1);
    RatingList list = rate(2, games, 1, false);
    ASSERT_EQ(list.players[0].kind, Kind::Finite);
    EXPECT_NEAR(list.players[0].elo, 400 * std::log10(4.0), 1e-6);
    EXPECT_NEAR(list.nu, 1, 1e-8);
    EXPECT_NEAR(list.drawEqual, 1.0 / 3, 1e-9);
    EXPECT_EQ(list.players[1].elo, 0);
    EXPECT_EQ(list.players[1].low, 0);
    EXPECT_EQ(list.players[1].high, 0);
    EXPECT_EQ(list.players[0].games, 7);
    EXPECT_DOUBLE_EQ(list.players[0].points, 5);

    // The interval from the curvature, taken here by finite differences in
    // (rating, log nu) and inverted by hand.
    double d = list.players[0].elo, ln = std::log(list.nu), h = 1e-3;
    auto f = [&](double x, double y) { return logPosterior({x, 0}, std::exp(y), games); };
    double hxx = (f(d + h, ln) - 2 * f(d, ln) + f(d - h, ln)) / (h * h);
    double hyy = (f(d, ln + h) - 2 * f(d, ln) + f(d, ln - h)) / (h * h);
    double hxy =
        (f(d + h, ln + h) - f(d + h, ln - h) - f(d - h, ln + h) + f(d - h, ln - h)) / (4 * h * h);
    double varD = -hyy / (hxx * hyy - hxy * hxy);
    double half = 1.959963984540054 * std::sqrt(varD);
    EXPECT_NEAR(list.players[0].high - d, half, 1e-3 * half);
    EXPECT_NEAR(d - list.players[0].low, half, 1e-3 * half);

    // Only draws: equal, nu from 3 draws in 5 games with the prior's: 3 / nu = 5 / (2 + nu).
    list = rate(2, {{1, 0, 0.5}, {0, 1, 0.5}}, 0, false);
    EXPECT_EQ(list.players[1].kind, Kind::Finite);
    EXPECT_NEAR(list.players[1].elo, 0, 1e-9);
    EXPECT_NEAR(list.nu, 3, 1e-8);
    EXPECT_NEAR(list.players[1].high, -list.players[1].low, 1e-6);
    EXPECT_TRUE(std::isfinite(list.players[1].high));
    EXPECT_GT(list.players[1].high, 0);

    // No draws; and one side drawing but never winning, where the likelihood alone has
    // no finite maximum (nu and the difference grow together without end).
    games.clear();
    add(games, 0, 1, 1, 3);
    add(games, 1, 0, 1, 1);
    expectMaximum(2, games, false);
    games.clear();
    add(games, 0, 1, 1, 10);
    add(games, 0, 1, 0.5, 3);
    expectMaximum(2, games, false);
}

TEST(Ratings, ThreePlayersMatchABruteForceMaximum) {
    std::vector<RatedGame> games;
    add(games, 0, 1, 1, 5);
    add(games, 0, 1, 0.5, 4);
    add(games, 0, 1, 0, 2);
    add(games, 1, 2, 1, 4);
    add(games, 1, 2, 0.5, 2);
    add(games, 1, 2, 0, 3);
    add(games, 2, 0, 1, 1);
    add(games, 2, 0, 0.5, 3);
    add(games, 2, 0, 0, 6);
    expectMaximum(3, games, false);
    expectMaximum(3, games, true);
    // X wins more than its share: the advantage is fitted at a brute-force maximum too.
    add(games, 1, 2, 1, 1);
    add(games, 2, 0, 1, 1);
    add(games, 0, 1, 1, 1);
    games.push_back({2, 1, 1});
    games.push_back({0, 2, 1});
    expectMaximum(3, games, true);
}

// Random games among n players, every pair with wins both ways so that all are rated.
std::vector<RatedGame> randomGames(int n, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<RatedGame> games;
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b) {
            add(games, a, b, 1, 1);
            add(games, a, b, 0, 1);
            for (int k = 0; k < 6; ++k) games.push_back({a, b, 0.5 * (gen() % 3)});
        }
    return games;
}

TEST(Ratings, SymmetriesAndAnchoring) {
    const int n = 4;
    std::vector<RatedGame> games = randomGames(n, 7);
    RatingList base = rate(n, games, 0);
    for (const auto& p : base.players) ASSERT_EQ(p.kind, Kind::Finite);

    // Renaming the players permutes their ratings.
    int perm[n] = {2, 0, 3, 1};
    std::vector<RatedGame> renamed;
    for (auto g : games) renamed.push_back({perm[g.x], perm[g.o], g.result});
    RatingList moved = rate(n, renamed, perm[0]);
    for (int i = 0; i < n; ++i) {
        EXPECT_NEAR(moved.players[perm[i]].elo, base.players[i].elo, 1e-6);
        EXPECT_NEAR(moved.players[perm[i]].high, base.players[i].high, 1e-6);
    }
    // Reversing every result mirrors the ratings and the advantage; swapping colours mirrors
    // the advantage alone.
    std::vector<RatedGame> reversed, swapped;
    for (auto g : games) {
        reversed.push_back({g.x, g.o, 1 - g.result});
        swapped.push_back({g.o, g.x, 1 - g.result});
    }
    RatingList mirror = rate(n, reversed, 0), same = rate(n, swapped, 0);
    for (int i = 0; i < n; ++i) {
        EXPECT_NEAR(mirror.players[i].elo, -base.players[i].elo, 1e-6);
        EXPECT_NEAR(mirror.players[i].low, -base.players[i].high, 1e-6);
        EXPECT_NEAR(same.players[i].elo, base.players[i].elo, 1e-6);
    }
    EXPECT_NEAR(mirror.nu, base.nu, 1e-9);
    EXPECT_GT(std::abs(base.firstMove), 1);
    EXPECT_NEAR(mirror.firstMove, -base.firstMove, 1e-6);
    EXPECT_NEAR(same.firstMove, -base.firstMove, 1e-6);
    EXPECT_NEAR(same.firstMoveHigh, -base.firstMoveLow, 1e-6);

    // Another anchor shifts every rating by the same amount, and the uncertainty of i
    // seen from a equals that of a seen from i.
    for (int a = 1; a < n; ++a) {
        RatingList shifted = rate(n, games, a);
        EXPECT_EQ(shifted.players[a].elo, 0);
        EXPECT_EQ(shifted.players[a].high - shifted.players[a].low, 0);
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR(shifted.players[i].elo, base.players[i].elo - base.players[a].elo, 1e-6);
        double widthFromA = shifted.players[0].high - shifted.players[0].low;
        double widthFrom0 = base.players[a].high - base.players[a].low;
        EXPECT_NEAR(widthFromA, widthFrom0, 1e-6);
        EXPECT_GT(widthFromA, 0);
    }
}

TEST(Ratings, EqualRecordsInACycleRateAlike) {
    // Equal records in a cycle give equal ratings and equal intervals.
    std::vector<RatedGame> cycle;
    add(cycle, 0, 1, 1, 2);
    add(cycle, 1, 2, 1, 2);
    add(cycle, 2, 0, 1, 2);
    add(cycle, 0, 1, 0.5, 2);
    add(cycle, 1, 2, 0.5, 2);
    add(cycle, 2, 0, 0.5, 2);
    RatingList tie = rate(3, cycle, 0);
    EXPECT_NEAR(tie.players[1].elo, 0, 1e-9);
    EXPECT_NEAR(tie.players[2].elo, 0, 1e-9);
    EXPECT_NEAR(tie.players[1].high, tie.players[2].high, 1e-9);
    // 6 draws and 6 decisive games at equal strength, with the prior's 1 and 2:
    // 7 / nu = 15 / (2 + nu).
    EXPECT_NEAR(tie.nu, 1.75, 1e-8);
}

TEST(Ratings, ManyGamesReachTheMaximum) {
    // At the maximum every player's points equal its expected points under the fitted
    // model, the draws equal the expected draws and X's points X's expected points, the
    // prior's three games counted on both sides: the likelihood's derivatives, written out.
    const int n = 20;
    // 19000 games with random results, X's a little better: enough that near the maximum
    // the gain of a Newton step is below the rounding of the likelihood's sum.
    std::mt19937 gen(1);
    std::vector<RatedGame> games;
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b)
            for (int k = 0; k < 100; ++k) {
                const unsigned r = gen() % 5;  // X wins 2 in 5, draws 2 in 5, loses 1 in 5
                games.push_back({k % 2 ? a : b, k % 2 ? b : a, r == 0 ? 0 : r < 3 ? 0.5 : 1.0});
            }
    RatingList list = rate(n, games, 3);
    std::vector<double> expected(n, 0.0), points(n, 0.0);
    auto prior = chances(0, 0, list.nu, list.firstMove);
    double draws = 1, expectedDraws = 3 * prior[2];
    double xPoints = 1.5, expectedX = 3 * (prior[0] + prior[2] / 2);
    for (const RatedGame& g : games) {
        auto c = chances(list.players[g.x].elo, list.players[g.o].elo, list.nu, list.firstMove);
        expected[g.x] += c[0] + c[2] / 2;
        expected[g.o] += c[1] + c[2] / 2;
        points[g.x] += g.result;
        points[g.o] += 1 - g.result;
        expectedDraws += c[2];
        draws += g.result == 0.5;
        expectedX += c[0] + c[2] / 2;
        xPoints += g.result;
    }
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(list.players[i].kind, Kind::Finite);
        EXPECT_NEAR(expected[i], points[i], 1e-6) << "player " << i;
        EXPECT_DOUBLE_EQ(list.players[i].points, points[i]);
    }
    EXPECT_NEAR(expectedDraws, draws, 1e-6);
    EXPECT_NEAR(expectedX, xPoints, 1e-6);
    EXPECT_GT(list.firstMove, 0);
}

// The list with colours left out, where closed forms hold; fitting the first move changes no
// player's kind.
RatingList rateBoth(int n, const std::vector<RatedGame>& games, int anchor) {
    RatingList off = rate(n, games, anchor, false), on = rate(n, games, anchor, true);
    for (int i = 0; i < n; ++i) EXPECT_EQ(on.players[i].kind, off.players[i].kind) << i;
    return off;
}

// The log-likelihood of five players' games with player 2 at rating a (0, 1 and 3 at 0),
// log nu at c, and 4's rating (relative to 3) at its best, by ternary search: the
// log-likelihood is concave in it.
double jointAtBest(double a, double c, const std::vector<RatedGame>& games) {
    auto f = [&](double b) { return logPosterior({0, 0, a, 0, b}, std::exp(c), games); };
    double lo = -1000, hi = 1000;
    for (int k = 0; k < 200; ++k) {
        double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
        if (f(m1) < f(m2))
            lo = m1;
        else
            hi = m2;
    }
    return f(lo);
}

TEST(Ratings, InfiniteAndUnlinkedPlayers) {
    // 0 wins every game against 1 and 2, who share points.
    std::vector<RatedGame> games;
    add(games, 0, 1, 1, 3);
    add(games, 0, 2, 1, 2);
    add(games, 1, 2, 1, 4);
    add(games, 1, 2, 0.5, 2);
    add(games, 1, 2, 0, 1);
    RatingList list = rateBoth(3, games, 1);
    EXPECT_EQ(list.players[0].kind, Kind::Above);
    EXPECT_EQ(list.players[0].elo, inf);
    EXPECT_EQ(list.players[2].kind, Kind::Finite);
    // 1 and 2 are rated from their own games alone: the two-player closed form.
    EXPECT_NEAR(list.players[2].elo, -400 * std::log10(4.0), 1e-6);
    EXPECT_NEAR(list.nu, 1, 1e-8);

    // 3 and 4 only meet each other: unrated, but their games share nu with the others,
    // so the answer is the maximum of the joint likelihood, with 3 and 4 at their best.
    add(games, 3, 4, 1, 2);
    add(games, 3, 4, 0, 1);
    list = rateBoth(5, games, 1);
    EXPECT_EQ(list.players[0].kind, Kind::Above);
    EXPECT_EQ(list.players[3].kind, Kind::Unlinked);
    EXPECT_EQ(list.players[4].kind, Kind::Unlinked);
    EXPECT_GT(list.nu, 0);
    EXPECT_LT(list.nu, 1);
    std::vector<RatedGame> inside;
    for (auto g : games)
        if (g.x != 0 && g.o != 0) inside.push_back(g);
    double r2 = list.players[2].elo, ln = std::log(list.nu);
    double top = jointAtBest(r2, ln, inside);
    for (double h : {-0.1, 0.1}) {
        EXPECT_LT(jointAtBest(r2 + h, ln, inside), top);
        EXPECT_LT(jointAtBest(r2, ln + h / 100, inside), top);
    }

    list = rateBoth(5, games, 0);
    EXPECT_EQ(list.players[1].kind, Kind::Below);
    EXPECT_EQ(list.players[2].kind, Kind::Below);
    EXPECT_EQ(list.players[2].high, -inf);
}

TEST(Ratings, UndecidedPlayersAndFewGames) {
    // 0 beat 1 and 2, who never met: from 1, player 2 is neither above nor below.
    std::vector<RatedGame> games;
    add(games, 0, 1, 1, 2);
    add(games, 0, 2, 1, 2);
    RatingList list = rateBoth(3, games, 1);
    EXPECT_EQ(list.players[0].kind, Kind::Above);
    EXPECT_EQ(list.players[2].kind, Kind::Undecided);
    EXPECT_NEAR(list.nu, 1, 1e-8);  // the prior alone

    // No games: only the anchor has a rating.
    list = rateBoth(3, {}, 2);
    EXPECT_EQ(list.players[2].kind, Kind::Finite);
    EXPECT_EQ(list.players[2].elo, 0);
    EXPECT_EQ(list.players[0].kind, Kind::Unlinked);
    EXPECT_EQ(list.players[1].kind, Kind::Unlinked);

    // One decisive game.
    list = rateBoth(2, {{1, 0, 0}}, 1);
    EXPECT_EQ(list.players[0].kind, Kind::Above);
    // A draw is a point scored: the side that never won is still rated, whichever colour.
    for (auto pair : {std::vector<RatedGame>{{0, 1, 1}, {0, 1, 0.5}},
                      std::vector<RatedGame>{{1, 0, 0.5}, {0, 1, 1}}}) {
        list = rateBoth(2, pair, 0);
        EXPECT_EQ(list.players[1].kind, Kind::Finite);
        EXPECT_LT(list.players[1].elo, 0);
        EXPECT_TRUE(std::isfinite(list.players[1].low));
    }
}

TEST(Ratings, TheFirstMoveFitRecoversTheAdvantageItWasMadeWith) {
    // A round robin whose results are the model's expected counts (rounded) for known
    // ratings, advantage and nu: the fit must give them back, up to the rounding and the
    // prior's three games among 48000.
    const std::vector<double> truth = {0, 120, -80, 250};
    const double advantage = 150, nu = 0.6;
    const int perColour = 4000;
    std::vector<RatedGame> games;
    for (int x = 0; x < 4; ++x)
        for (int o = 0; o < 4; ++o) {
            if (x == o) continue;
            auto c = chances(truth[x], truth[o], nu, advantage);
            const int wins = static_cast<int>(std::lround(perColour * c[0]));
            const int losses = static_cast<int>(std::lround(perColour * c[1]));
            for (int k = 0; k < perColour; ++k)
                games.push_back({x, o, k < wins ? 1.0 : k < wins + losses ? 0.0 : 0.5});
        }
    RatingList list = rate(4, games, 0);
    for (int i = 1; i < 4; ++i) EXPECT_NEAR(list.players[i].elo, truth[i], 0.5) << i;
    EXPECT_NEAR(list.firstMove, advantage, 0.5);
    EXPECT_NEAR(list.nu, nu, 0.002);
    EXPECT_LT(list.firstMoveHigh - list.firstMoveLow, 10);
    // Left out, the advantage blurs the results: the colour-blind list is narrower.
    RatingList blind = rate(4, games, 0, false);
    EXPECT_EQ(blind.firstMove, 0);
    for (int i = 1; i < 4; ++i) {
        EXPECT_LT(std::abs(blind.players[i].elo), std::abs(truth[i]) - 5) << i;
        EXPECT_GT(blind.players[i].elo * truth[i], 0) << i;
    }
}

TEST(Ratings, FirstMoveAdvantageEdges) {
    // Results that do not depend on the colour (each result once with each colour): no
    // advantage, and the ratings of the colour-blind fit.
    std::vector<RatedGame> games;
    add(games, 0, 1, 1, 6);
    add(games, 0, 1, 0.5, 4);
    add(games, 1, 2, 1, 2);
    add(games, 1, 2, 0, 4);
    add(games, 2, 0, 0.5, 2);
    add(games, 2, 0, 0, 2);
    RatingList on = rate(3, games, 0), off = rate(3, games, 0, false);
    EXPECT_NEAR(on.firstMove, 0, 1e-6);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(on.players[i].elo, off.players[i].elo, 1e-6);
    EXPECT_FALSE(off.firstMoveFitted);

    // X won every game of four double round robins: the players are equal, and the prior
    // keeps the advantage finite.
    games.clear();
    for (int round = 0; round < 4; ++round)
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b)
                if (a != b) games.push_back({a, b, 1});
    on = rate(3, games, 0);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(on.players[i].elo, 0, 1e-6);
    EXPECT_GT(on.firstMove, 300);
    EXPECT_TRUE(std::isfinite(on.firstMoveLow) && std::isfinite(on.firstMoveHigh));
    EXPECT_GT(on.firstMoveLow, 0);

    // No games at all: the prior alone, 0 with a finite interval.
    on = rate(2, {}, 0);
    EXPECT_EQ(on.firstMove, 0);
    EXPECT_TRUE(std::isfinite(on.firstMoveHigh));
    EXPECT_GT(on.firstMoveHigh, 0);
}

TEST(Ratings, RefusesBadInput) {
    RatingList list;
    EXPECT_TRUE(rateGames(2, {{0, 2, 1}}, 0, list));
    EXPECT_TRUE(rateGames(2, {{-1, 1, 1}}, 0, list));
    EXPECT_TRUE(rateGames(2, {{1, 1, 1}}, 0, list));
    EXPECT_TRUE(rateGames(2, {{0, 1, 0.7}}, 0, list));
    EXPECT_TRUE(rateGames(2, {{0, 1, std::nan("")}}, 0, list));
    EXPECT_TRUE(rateGames(2, {{0, 1, 1}}, 2, list));
    EXPECT_TRUE(rateGames(2, {{0, 1, 1}}, -1, list));
    EXPECT_TRUE(rateGames(0, {}, 0, list));
    EXPECT_TRUE(rateGames(maxRatedPlayers + 1, {}, 0, list));
    EXPECT_FALSE(rateGames(maxRatedPlayers, {{0, maxRatedPlayers - 1, 1}}, 0, list));
    EXPECT_FALSE(rateGames(2, {{0, 1, 1}}, 1, list));
}

TEST(Standings, CrossTableAndRatingList) {
    std::vector<RatedGame> games = {{0, 1, 1}, {1, 0, 0.5}, {0, 1, 0},
                                    {1, 0, 0}, {2, 1, 0.5}, {1, 2, 1}};
    std::vector<std::string> names = {"alpha", "beta", "gamma", "delta"};
    auto lines = crossTableLines(crossTable(games, names.size()), names);
    ASSERT_EQ(lines.size(), 5u);
    // alpha against beta: 1 + 0.5 + 0 + 1 of 4; beta: 1.5 against alpha, 1.5 against gamma.
    EXPECT_EQ(lines[0], "              1      2      3  4  total");
    EXPECT_EQ(lines[1], "1  alpha      x  2.5/4      -  -  2.5/4");
    EXPECT_EQ(lines[2], "2  beta   1.5/4      x  1.5/2  -    3/6");
    EXPECT_EQ(lines[3], "3  gamma      -  0.5/2      x  -  0.5/2");
    EXPECT_EQ(lines[4], "4  delta      -      -      -  x    0/0");

    RatingList list = rate(4, games, 1);
    auto text = ratingListLines(rankedRatings(list), names);
    ASSERT_GE(text.size(), 6u);
    // alpha above beta above gamma, each interval around its rating; delta unrated.
    EXPECT_EQ(text[1].substr(0, 13), "   1  alpha  ");
    EXPECT_EQ(text[2].substr(0, 13), "   2  beta   ");
    EXPECT_EQ(text[3].substr(0, 13), "   3  gamma  ");
    EXPECT_EQ(text[4], "unrated  delta: no games");
    EXPECT_EQ(text[5], "ratings relative to beta (0)");
    EXPECT_NE(text[6].find("draw parameter nu"), std::string::npos);
    EXPECT_EQ(text[7], "first move (X): " + formatElo(list.firstMove) + " Elo [" +
                           formatElo(list.firstMoveLow) + ", " + formatElo(list.firstMoveHigh) +
                           "]");
    text = ratingListLines(rankedRatings(rate(4, games, 1, false)), names);
    EXPECT_EQ(text[7], "first move not modelled: X and O count alike");

    // Equal ratings share a rank; infinite ones say so.
    list = rate(3, {{0, 1, 0.5}, {1, 0, 1}, {1, 0, 0}, {2, 0, 1}}, 0);
    text = ratingListLines(rankedRatings(list), {"a", "b", "c"});
    EXPECT_EQ(text[1].substr(0, 10), "   1  c   ");
    EXPECT_NE(text[1].find("(no finite bound)"), std::string::npos);
    EXPECT_EQ(text[2].substr(0, 10), "   2  a   ");
    EXPECT_EQ(text[3].substr(0, 10), "   2  b   ");
}

}  // namespace
