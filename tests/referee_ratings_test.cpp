// Ratings of many players, checked against closed forms, a brute-force maximisation of the
// likelihood written out here on its own, and the symmetries the model must have.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "referee/ratings.h"
#include "referee/standings.h"

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

TEST(Ratings, TwoPlayersMatchTheClosedForm) {
    // Two players: the model has as many parameters as free outcome frequencies, so the
    // maximum reproduces them: wins / losses = 10^(d / 400) and nu = D / sqrt(W L).
    std::vector<RatedGame> games;
    add(games, 0, 1, 1, 7);
    add(games, 0, 1, 0.5, 5);
    add(games, 0, 1, 0, 3);
    RatingList list = rate(2, games, 1);
    ASSERT_EQ(list.players[0].kind, Kind::Finite);
    EXPECT_NEAR(list.players[0].elo, 400 * std::log10(7.0 / 3), 1e-6);
    EXPECT_NEAR(list.nu, 5 / std::sqrt(21.0), 1e-8);
    EXPECT_NEAR(list.drawEqual, list.nu / (2 + list.nu), 1e-12);
    EXPECT_EQ(list.players[1].elo, 0);
    EXPECT_EQ(list.players[1].low, 0);
    EXPECT_EQ(list.players[1].high, 0);
    EXPECT_EQ(list.players[0].games, 15);
    EXPECT_DOUBLE_EQ(list.players[0].points, 9.5);

    // The interval from the curvature of the likelihood, taken here by finite differences
    // in (rating, log nu) and inverted by hand.
    double d = list.players[0].elo, ln = std::log(list.nu), h = 1e-3;
    auto f = [&](double x, double y) { return logLikelihood({x, 0}, std::exp(y), games); };
    double hxx = (f(d + h, ln) - 2 * f(d, ln) + f(d - h, ln)) / (h * h);
    double hyy = (f(d, ln + h) - 2 * f(d, ln) + f(d, ln - h)) / (h * h);
    double hxy =
        (f(d + h, ln + h) - f(d + h, ln - h) - f(d - h, ln + h) + f(d - h, ln - h)) / (4 * h * h);
    double varD = -hyy / (hxx * hyy - hxy * hxy);
    double half = 1.959963984540054 * std::sqrt(varD);
    EXPECT_NEAR(list.players[0].high - d, half, 1e-3 * half);
    EXPECT_NEAR(d - list.players[0].low, half, 1e-3 * half);

    // Without draws nu is 0 and the plain model remains: 3 wins to 1 is 400 log10 3.
    games.clear();
    add(games, 0, 1, 1, 3);
    add(games, 1, 0, 1, 1);
    list = rate(2, games, 1);
    EXPECT_EQ(list.nu, 0);
    EXPECT_NEAR(list.players[0].elo, 400 * std::log10(3.0), 1e-6);
    EXPECT_LT(list.players[0].low, list.players[0].elo);
    EXPECT_TRUE(std::isfinite(list.players[0].low));
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
    RatingList list = rate(3, games, 0);

    // Grid over the two ratings and nu, then a pattern search from the best grid point
    // with shrinking steps.
    double best = -inf, r1 = 0, r2 = 0, lnu = 0;
    for (double a = -400; a <= 400; a += 8)
        for (double b = -400; b <= 400; b += 8)
            for (double c = -3; c <= 3; c += 0.1) {
                double v = logLikelihood({0, a, b}, std::exp(c), games);
                if (v > best) best = v, r1 = a, r2 = b, lnu = c;
            }
    for (double step = 4; step > 1e-4; step /= 2) {
        for (bool moved = true; moved;) {
            moved = false;
            for (int axis = 0; axis < 3; ++axis)
                for (int sign : {-1, 1}) {
                    double a = r1, b = r2, c = lnu, s = sign * step;
                    (axis == 0 ? a : axis == 1 ? b : c) += axis == 2 ? s / 100 : s;
                    double v = logLikelihood({0, a, b}, std::exp(c), games);
                    if (v > best) best = v, r1 = a, r2 = b, lnu = c, moved = true;
                }
        }
    }
    EXPECT_NEAR(list.players[1].elo, r1, 0.01);
    EXPECT_NEAR(list.players[2].elo, r2, 0.01);
    EXPECT_NEAR(std::log(list.nu), lnu, 1e-4);
    // And no point the search found is better than the answer.
    double mine = logLikelihood({0, list.players[1].elo, list.players[2].elo}, list.nu, games);
    EXPECT_GE(mine, best - 1e-9);
    for (const auto& p : list.players) {
        EXPECT_EQ(p.kind, Kind::Finite);
        EXPECT_LE(p.low, p.elo);
        EXPECT_GE(p.high, p.elo);
    }
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
    EXPECT_NEAR(tie.nu, 2.0, 1e-8);  // half the games drawn at equal strength: nu / (2 + nu) = 1/2
}

TEST(Ratings, InfiniteUndecidedAndUnlinkedPlayers) {
    // 0 wins every game against 1 and 2, who share points.
    std::vector<RatedGame> games;
    add(games, 0, 1, 1, 3);
    add(games, 0, 2, 1, 2);
    add(games, 1, 2, 1, 4);
    add(games, 1, 2, 0.5, 3);
    add(games, 1, 2, 0, 2);
    RatingList list = rate(3, games, 1);
    EXPECT_EQ(list.players[0].kind, Kind::Above);
    EXPECT_EQ(list.players[0].elo, inf);
    EXPECT_EQ(list.players[2].kind, Kind::Finite);
    // 1 and 2 are rated from their own games alone: the two-player closed form.
    EXPECT_NEAR(list.players[2].elo, -400 * std::log10(4.0 / 2), 1e-6);
    EXPECT_NEAR(list.nu, 3 / std::sqrt(8.0), 1e-8);

    // 3 and 4 only meet each other: unrated, but their games share nu with the others,
    // so the answer is the maximum of the joint likelihood, with 3 and 4 at their best.
    add(games, 3, 4, 1, 2);
    add(games, 3, 4, 0, 1);
    list = rate(5, games, 1);
    EXPECT_EQ(list.players[0].kind, Kind::Above);
    EXPECT_EQ(list.players[3].kind, Kind::Unlinked);
    EXPECT_EQ(list.players[4].kind, Kind::Unlinked);
    EXPECT_GT(list.nu, 0);
    EXPECT_LT(list.nu, 3 / std::sqrt(8.0));
    std::vector<RatedGame> inside;
    for (auto g : games)
        if (g.x != 0 && g.o != 0) inside.push_back(g);
    double r2 = list.players[2].elo, ln = std::log(list.nu);
    // The likelihood with 4's rating (relative to 3) at its best, by ternary search: the
    // log-likelihood is concave in it.
    auto joint = [&](double a, double c) {
        auto f = [&](double b) { return logLikelihood({0, 0, a, 0, b}, std::exp(c), inside); };
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
    EXPECT_TRUE(std::isnan(list.nu));

    // No games: only the anchor has a rating.
    list = rate(3, {}, 2);
    EXPECT_EQ(list.players[2].kind, Kind::Finite);
    EXPECT_EQ(list.players[2].elo, 0);
    EXPECT_EQ(list.players[0].kind, Kind::Unlinked);
    EXPECT_EQ(list.players[1].kind, Kind::Unlinked);

    // One decisive game.
    list = rate(2, {{1, 0, 0}}, 1);
    EXPECT_EQ(list.players[0].kind, Kind::Above);
    // One draw (or only draws): equal, but nothing bounds the difference.
    list = rate(2, {{1, 0, 0.5}, {0, 1, 0.5}}, 0);
    EXPECT_EQ(list.players[1].kind, Kind::Finite);
    EXPECT_EQ(list.players[1].elo, 0);
    EXPECT_EQ(list.players[1].low, -inf);
    EXPECT_EQ(list.players[1].high, inf);
    EXPECT_EQ(list.nu, inf);
    EXPECT_EQ(list.drawEqual, 1);
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
    EXPECT_FALSE(rateGames(2, {{0, 1, 1}}, 1, list));
}

TEST(Standings, CrossTableAndRatingList) {
    std::vector<RatedGame> games = {{0, 1, 1}, {1, 0, 0.5}, {0, 1, 0},
                                    {1, 0, 0}, {2, 1, 0.5}, {1, 2, 1}};
    std::vector<std::string> names = {"alpha", "beta", "gamma", "delta"};
    auto lines = crossTableLines(games, names);
    ASSERT_EQ(lines.size(), 5u);
    // alpha against beta: 1 + 0.5 + 0 + 1 of 4; beta: 1.5 against alpha, 1.5 against gamma.
    EXPECT_EQ(lines[0], "              1      2      3      4   total");
    EXPECT_EQ(lines[1], "1  alpha      x  2.5/4      -      -   2.5/4");
    EXPECT_EQ(lines[2], "2  beta   1.5/4      x  1.5/2      -   3/6");
    EXPECT_EQ(lines[3], "3  gamma      -  0.5/2      x      -   0.5/2");
    EXPECT_EQ(lines[4], "4  delta      -      -      -      x   0/0");

    RatingList list = rate(4, games, 1);
    auto text = ratingListLines(list, names);
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
    text = ratingListLines(list, {"a", "b", "c"});
    EXPECT_EQ(text[1].substr(0, 10), "   1  c   ");
    EXPECT_NE(text[1].find("(no finite bound)"), std::string::npos);
    EXPECT_EQ(text[2].substr(0, 10), "   2  a   ");
    EXPECT_EQ(text[3].substr(0, 10), "   2  b   ");
}

}  // namespace
