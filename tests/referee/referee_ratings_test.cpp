// Ratings of many players, checked against closed forms, a brute-force maximisation of the
// likelihood written out here on its own, and the symmetries the model must have.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "referee/results/results.h"
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

RatingList rate(int players, const std::vector<RatedGame>& games, int anchor = 0) {
    RatingList list;
    auto error = rateGames(players, games, anchor, list);
    EXPECT_FALSE(error) << *error;
    EXPECT_TRUE(list.converged);
    return list;
}

// The log-likelihood straight from the outcome probabilities, ratings in Elo.
double logLikelihood(const std::vector<double>& elo, double nu,
                     const std::vector<RatedGame>& games) {
    double sum = 0;
    for (const RatedGame& g : games) {
        double sx = std::pow(10.0, elo[g.x] / 400), so = std::pow(10.0, elo[g.o] / 400);
        double draw = nu * std::sqrt(sx * so), total = sx + so + draw;
        sum += std::log((g.result == 1 ? sx : g.result == 0 ? so : draw) / total);
    }
    return sum;
}

// With the prior on nu: three games between equal players, one drawn, one won by each.
double logPosterior(const std::vector<double>& elo, double nu,
                    const std::vector<RatedGame>& games) {
    return logLikelihood(elo, nu, games) + std::log(nu / (2 + nu)) - 2 * std::log(2 + nu);
}

// The maximum over the ratings of players 1 .. n-1 (player 0 at 0) and log nu: a grid,
// then a pattern search with shrinking steps from its best point. Returns the ratings
// followed by log nu.
std::vector<double> bruteForce(int n, const std::vector<RatedGame>& games) {
    std::vector<double> x(n, 0.0), best = x;  // x[0] holds log nu
    double top = -inf;
    auto value = [&](const std::vector<double>& v) {
        std::vector<double> elo = v;
        elo[0] = 0;
        return logPosterior(elo, std::exp(v[0]), games);
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
    for (double step = 8; step > 1e-5; step /= 2)
        for (bool moved = true; moved;) {
            moved = false;
            for (int i = 0; i < n; ++i)
                for (int sign : {-1, 1}) {
                    std::vector<double> y = best;
                    y[i] += sign * (i == 0 ? step / 100 : step);
                    double v = value(y);
                    if (v > top) top = v, best = y, moved = true;
                }
        }
    std::vector<double> out(best.begin() + 1, best.end());
    out.push_back(best[0]);
    return out;
}

// Checks the ratings (anchor 0) and nu against the brute-force maximum.
void expectMaximum(int n, const std::vector<RatedGame>& games) {
    RatingList list = rate(n, games, 0);
    std::vector<double> best = bruteForce(n, games);
    for (int i = 1; i < n; ++i) {
        ASSERT_EQ(list.players[i].kind, Kind::Finite);
        EXPECT_NEAR(list.players[i].elo, best[i - 1], 0.01) << "player " << i;
        EXPECT_LT(list.players[i].low, list.players[i].elo);
        EXPECT_GT(list.players[i].high, list.players[i].elo);
    }
    EXPECT_NEAR(std::log(list.nu), best[n - 1], 1e-4);
    // And the brute force finds nothing better than the answer.
    std::vector<double> elo;
    for (const auto& p : list.players) elo.push_back(p.elo);
    std::vector<double> found = best;
    found.insert(found.begin(), 0.0);
    found.pop_back();
    EXPECT_GE(logPosterior(elo, list.nu, games),
              logPosterior(found, std::exp(best[n - 1]), games) - 1e-9);
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
    RatingList list = rate(2, games, 1);
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
    list = rate(2, {{1, 0, 0.5}, {0, 1, 0.5}}, 0);
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
    expectMaximum(2, games);
    games.clear();
    add(games, 0, 1, 1, 10);
    add(games, 0, 1, 0.5, 3);
    expectMaximum(2, games);
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
    expectMaximum(3, games);
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
    // Reversing every result mirrors the ratings; swapping colours changes nothing.
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
    // model, and the draws (with the prior's one) equal the expected draws (with the
    // prior's 3 nu / (2 + nu)): the likelihood's derivatives, written out here.
    const int n = 20;
    // 19000 games with random results: enough that near the maximum the gain of a
    // Newton step is below the rounding of the likelihood's sum.
    std::mt19937 gen(1);
    std::vector<RatedGame> games;
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b)
            for (int k = 0; k < 100; ++k) games.push_back({a, b, 0.5 * (gen() % 3)});
    RatingList list = rate(n, games, 3);
    std::vector<double> expected(n, 0.0), points(n, 0.0);
    double draws = 1, expectedDraws = 3 * list.nu / (2 + list.nu);
    for (const RatedGame& g : games) {
        double sx = std::pow(10.0, list.players[g.x].elo / 400);
        double so = std::pow(10.0, list.players[g.o].elo / 400);
        double draw = list.nu * std::sqrt(sx * so), total = sx + so + draw;
        expected[g.x] += (sx + draw / 2) / total;
        expected[g.o] += (so + draw / 2) / total;
        points[g.x] += g.result;
        points[g.o] += 1 - g.result;
        expectedDraws += draw / total;
        draws += g.result == 0.5;
    }
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(list.players[i].kind, Kind::Finite);
        EXPECT_NEAR(expected[i], points[i], 1e-6) << "player " << i;
        EXPECT_DOUBLE_EQ(list.players[i].points, points[i]);
    }
    EXPECT_NEAR(expectedDraws, draws, 1e-6);
}

TEST(Ratings, InfiniteUndecidedAndUnlinkedPlayers) {
    // 0 wins every game against 1 and 2, who share points.
    std::vector<RatedGame> games;
    add(games, 0, 1, 1, 3);
    add(games, 0, 2, 1, 2);
    add(games, 1, 2, 1, 4);
    add(games, 1, 2, 0.5, 2);
    add(games, 1, 2, 0, 1);
    RatingList list = rate(3, games, 1);
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
    list = rate(5, games, 1);
    EXPECT_EQ(list.players[0].kind, Kind::Above);
    EXPECT_EQ(list.players[3].kind, Kind::Unlinked);
    EXPECT_EQ(list.players[4].kind, Kind::Unlinked);
    EXPECT_GT(list.nu, 0);
    EXPECT_LT(list.nu, 1);
    std::vector<RatedGame> inside;
    for (auto g : games)
        if (g.x != 0 && g.o != 0) inside.push_back(g);
    double r2 = list.players[2].elo, ln = std::log(list.nu);
    // The likelihood with 4's rating (relative to 3) at its best, by ternary search: the
    // log-likelihood is concave in it.
    auto joint = [&](double a, double c) {
        auto f = [&](double b) { return logPosterior({0, 0, a, 0, b}, std::exp(c), inside); };
        double lo = -1000, hi = 1000;
        for (int k = 0; k < 200; ++k) {
            double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
            if (f(m1) < f(m2))
                lo = m1;
            else
                hi = m2;
        }
        return f(lo);
    };
    double top = joint(r2, ln);
    for (double h : {-0.1, 0.1}) {
        EXPECT_LT(joint(r2 + h, ln), top);
        EXPECT_LT(joint(r2, ln + h / 100), top);
    }

    list = rate(5, games, 0);
    EXPECT_EQ(list.players[1].kind, Kind::Below);
    EXPECT_EQ(list.players[2].kind, Kind::Below);
    EXPECT_EQ(list.players[2].high, -inf);

    // 0 beat 1 and 2, who never met: from 1, player 2 is neither above nor below.
    games.clear();
    add(games, 0, 1, 1, 2);
    add(games, 0, 2, 1, 2);
    list = rate(3, games, 1);
    EXPECT_EQ(list.players[0].kind, Kind::Above);
    EXPECT_EQ(list.players[2].kind, Kind::Undecided);
    EXPECT_NEAR(list.nu, 1, 1e-8);  // the prior alone

    // No games: only the anchor has a rating.
    list = rate(3, {}, 2);
    EXPECT_EQ(list.players[2].kind, Kind::Finite);
    EXPECT_EQ(list.players[2].elo, 0);
    EXPECT_EQ(list.players[0].kind, Kind::Unlinked);
    EXPECT_EQ(list.players[1].kind, Kind::Unlinked);

    // One decisive game.
    list = rate(2, {{1, 0, 0}}, 1);
    EXPECT_EQ(list.players[0].kind, Kind::Above);
    // A draw is a point scored: the side that never won is still rated, whichever colour.
    for (auto pair : {std::vector<RatedGame>{{0, 1, 1}, {0, 1, 0.5}},
                      std::vector<RatedGame>{{1, 0, 0.5}, {0, 1, 1}}}) {
        list = rate(2, pair, 0);
        EXPECT_EQ(list.players[1].kind, Kind::Finite);
        EXPECT_LT(list.players[1].elo, 0);
        EXPECT_TRUE(std::isfinite(list.players[1].low));
    }
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

    // Equal ratings share a rank; infinite ones say so.
    list = rate(3, {{0, 1, 0.5}, {1, 0, 1}, {1, 0, 0}, {2, 0, 1}}, 0);
    text = ratingListLines(rankedRatings(list), {"a", "b", "c"});
    EXPECT_EQ(text[1].substr(0, 10), "   1  c   ");
    EXPECT_NE(text[1].find("(no finite bound)"), std::string::npos);
    EXPECT_EQ(text[2].substr(0, 10), "   2  a   ");
    EXPECT_EQ(text[3].substr(0, 10), "   2  b   ");
}

}  // namespace
