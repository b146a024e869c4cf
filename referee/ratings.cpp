#include "referee/ratings.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>
#include <utility>

#include "referee/elo.h"

namespace referee {

namespace {

const double inf = std::numeric_limits<double>::infinity();
const double eloPerUnit = eloPerDecade / std::log(10.0);  // natural-log strength to Elo

using Matrix = std::vector<std::vector<double>>;

// Cholesky factor of a symmetric positive definite matrix; false when it is not.
bool cholesky(const Matrix& a, Matrix& l) {
    size_t n = a.size();
    l.assign(n, std::vector<double>(n, 0.0));
    for (size_t j = 0; j < n; ++j) {
        double d = a[j][j];
        for (size_t k = 0; k < j; ++k) d -= l[j][k] * l[j][k];
        if (!(d > 0) || !std::isfinite(d)) return false;
        l[j][j] = std::sqrt(d);
        for (size_t i = j + 1; i < n; ++i) {
            double s = a[i][j];
            for (size_t k = 0; k < j; ++k) s -= l[i][k] * l[j][k];
            l[i][j] = s / l[j][j];
        }
    }
    return true;
}

// Solves L L^T x = b.
std::vector<double> choleskySolve(const Matrix& l, std::vector<double> b) {
    size_t n = l.size();
    for (size_t i = 0; i < n; ++i) {
        for (size_t k = 0; k < i; ++k) b[i] -= l[i][k] * b[k];
        b[i] /= l[i][i];
    }
    for (size_t i = n; i-- > 0;) {
        for (size_t k = i + 1; k < n; ++k) b[i] -= l[k][i] * b[k];
        b[i] /= l[i][i];
    }
    return b;
}

// The log-likelihood of the games between players of one group, over the free
// parameters: the strengths (natural log) of the players that are not their group's
// reference, then log nu. A weak prior on nu counts as three games between two equal
// players, one drawn and one won by each: it keeps nu finite and positive (the data alone
// put it at 0 without draws, at infinity without decisive games, and let it run off to
// infinity together with the ratings when in some pair one side drew but never won), and
// it fades as games accumulate.
struct Likelihood {
    const std::vector<RatedGame>* games;
    std::vector<int> param;  // per player: index of its strength, -1 when fixed at 0
    int drawParam = 0;       // index of log nu
    size_t size = 0;

    double strength(const std::vector<double>& p, int player) const {
        int k = param[player];
        return k < 0 ? 0.0 : p[k];
    }

    // Value, and when g is given, gradient and Hessian.
    double eval(const std::vector<double>& p, std::vector<double>* g, Matrix* h) const {
        if (g) {
            g->assign(size, 0.0);
            h->assign(size, std::vector<double>(size, 0.0));
        }
        // The prior: log(nu / (2 + nu)) + 2 log(1 / (2 + nu)).
        double nu = std::exp(p[drawParam]);
        double f = p[drawParam] - 3 * std::log(2 + nu);
        if (g) {
            (*g)[drawParam] += 1 - 3 * nu / (2 + nu);
            (*h)[drawParam][drawParam] -= 6 * nu / ((2 + nu) * (2 + nu));
        }
        for (const RatedGame& game : *games) {
            double a = strength(p, game.x), b = strength(p, game.o);
            // Outcomes: X wins, O wins, drawn; each a log-weight and a direction in the
            // parameter space (at most three non-zero entries).
            struct Outcome {
                double logit;
                int index[3];
                double coef[3];
            };
            Outcome out[3] = {{a, {param[game.x], -1, -1}, {1, 0, 0}},
                              {b, {param[game.o], -1, -1}, {1, 0, 0}},
                              {(a + b) / 2 + p[drawParam],
                               {param[game.x], param[game.o], drawParam},
                               {0.5, 0.5, 1}}};
            const int outcomes = 3;
            int played = game.result == 1 ? 0 : game.result == 0 ? 1 : 2;
            double top = std::max({out[0].logit, out[1].logit, out[outcomes - 1].logit});
            double sum = 0;
            for (int k = 0; k < outcomes; ++k) sum += std::exp(out[k].logit - top);
            double logZ = top + std::log(sum);
            f += out[played].logit - logZ;
            if (!g) continue;
            // Gradient: the played direction minus the expected direction; Hessian: minus
            // the covariance of the direction under the model's outcome probabilities.
            std::vector<std::pair<int, double>> mean;
            for (int k = 0; k < outcomes; ++k) {
                double prob = std::exp(out[k].logit - logZ);
                for (int e = 0; e < 3; ++e) {
                    int i = out[k].index[e];
                    if (i < 0) continue;
                    double c = out[k].coef[e];
                    if (k == played) (*g)[i] += c;
                    (*g)[i] -= prob * c;
                    bool found = false;
                    for (auto& m : mean)
                        if (m.first == i) m.second += prob * c, found = true;
                    if (!found) mean.push_back({i, prob * c});
                    for (int e2 = 0; e2 < 3; ++e2) {
                        int j = out[k].index[e2];
                        if (j >= 0) (*h)[i][j] -= prob * c * out[k].coef[e2];
                    }
                }
            }
            for (auto& [i, mi] : mean)
                for (auto& [j, mj] : mean) (*h)[i][j] += mi * mj;
        }
        return f;
    }
};

// Maximises a concave log-likelihood by Newton steps with a backtracking line search;
// p holds the maximum. Returns the number of steps, and whether the maximum was reached.
std::pair<int, bool> maximise(const Likelihood& lik, std::vector<double>& p) {
    std::vector<double> g;
    Matrix h, negH, l;
    int steps = 0;
    for (; steps < 200; ++steps) {
        double f = lik.eval(p, &g, &h);
        double gmax = 0;
        for (double x : g) gmax = std::max(gmax, std::fabs(x));
        if (gmax < 1e-11 * (1.0 + lik.games->size())) return {steps, true};
        negH = h;
        for (auto& row : negH)
            for (double& x : row) x = -x;
        // A flat direction would make the step undefined: a small ridge keeps it finite.
        double ridge = 0;
        while (!cholesky(negH, l)) {
            ridge = ridge == 0 ? 1e-9 : ridge * 10;
            if (ridge > 1e6) return {steps, false};
            for (size_t i = 0; i < negH.size(); ++i) negH[i][i] = -h[i][i] + ridge;
        }
        std::vector<double> d = choleskySolve(l, g);
        double slope = 0;
        for (size_t i = 0; i < d.size(); ++i) slope += g[i] * d[i];
        // Near the maximum the gain of a step (slope / 2) is below the rounding of the sum
        // over the games, and the line search could not see it: such a step is taken
        // whole, and lands on the maximum (Newton converges quadratically).
        if (slope < 1e-13 * (1.0 + lik.games->size())) {
            for (size_t i = 0; i < p.size(); ++i) p[i] += d[i];
            return {steps + 1, true};
        }
        double t = 1;
        std::vector<double> q(p.size());
        for (;;) {
            for (size_t i = 0; i < p.size(); ++i) q[i] = p[i] + t * d[i];
            if (lik.eval(q, nullptr, nullptr) >= f + 1e-4 * t * slope) break;
            t /= 2;
            if (t < 1e-12) return {steps + 1, false};
        }
        p = q;
    }
    return {steps, false};
}

// reach[i][j]: a chain of games leads from i to j, each step a game in which the earlier
// player scored at least a draw against the later one.
std::vector<std::vector<char>> reachability(int n, const std::vector<std::vector<int>>& edges) {
    std::vector<std::vector<char>> reach(n, std::vector<char>(n, 0));
    std::vector<int> stack;
    for (int s = 0; s < n; ++s) {
        reach[s][s] = 1;
        stack.assign(1, s);
        while (!stack.empty()) {
            int u = stack.back();
            stack.pop_back();
            for (int v : edges[u])
                if (!reach[s][v]) reach[s][v] = 1, stack.push_back(v);
        }
    }
    return reach;
}

}  // namespace

std::optional<std::string> rateGames(int players, const std::vector<RatedGame>& games, int anchor,
                                     RatingList& out) {
    if (players < 1) return "no players to rate";
    // The work grows with the cube of the number of players.
    if (players > maxRatedPlayers)
        return "more than " + std::to_string(maxRatedPlayers) + " players to rate";
    if (anchor < 0 || anchor >= players) return "the anchor is not one of the players";
    for (size_t k = 0; k < games.size(); ++k) {
        const RatedGame& g = games[k];
        std::string where = "game " + std::to_string(k + 1) + ": ";
        if (g.x < 0 || g.x >= players || g.o < 0 || g.o >= players)
            return where + "player number out of range";
        if (g.x == g.o) return where + "a player against itself";
        if (!(g.result == 0 || g.result == 0.5 || g.result == 1))
            return where + "result is not 1, 1/2 or 0";
    }

    out = RatingList();
    out.anchor = anchor;
    out.players.assign(players, PlayerRating());
    // Who scored against whom, and who met whom: each pair once, however many games.
    std::vector<std::vector<char>> scoredPair(players, std::vector<char>(players, 0));
    for (const RatedGame& g : games) {
        out.players[g.x].games++;
        out.players[g.o].games++;
        out.players[g.x].points += g.result;
        out.players[g.o].points += 1 - g.result;
        if (g.result >= 0.5) scoredPair[g.x][g.o] = 1;
        if (g.result <= 0.5) scoredPair[g.o][g.x] = 1;
    }
    std::vector<std::vector<int>> scored(players), met(players);
    for (int i = 0; i < players; ++i)
        for (int j = 0; j < players; ++j) {
            if (scoredPair[i][j]) scored[i].push_back(j);
            if (scoredPair[i][j] || scoredPair[j][i]) met[i].push_back(j);
        }
    auto reach = reachability(players, scored);
    auto linked = reachability(players, met);

    // Groups: players who reach each other. Games inside a group have a finite maximum;
    // between groups every point went one way, which only an infinite difference explains.
    // Each group's first player (the anchor in the anchor's group) is its reference.
    std::vector<int> group(players, -1);
    Likelihood lik;
    lik.param.assign(players, -1);
    int groups = 1;
    for (int j = 0; j < players; ++j)
        if (reach[anchor][j] && reach[j][anchor]) group[j] = 0;
    for (int i = 0; i < players; ++i) {
        if (group[i] >= 0) continue;
        for (int j = i; j < players; ++j)
            if (reach[i][j] && reach[j][i]) group[j] = groups;
        groups++;
    }
    std::vector<char> seen(groups, 0);
    seen[group[anchor]] = 1;  // the anchor is its group's reference
    for (int i = 0; i < players; ++i) {
        if (i == anchor) continue;
        if (seen[group[i]])
            lik.param[i] = static_cast<int>(lik.size++);
        else
            seen[group[i]] = 1;
    }

    std::vector<RatedGame> inside;
    for (const RatedGame& g : games)
        if (group[g.x] == group[g.o]) inside.push_back(g);
    lik.games = &inside;
    lik.drawParam = static_cast<int>(lik.size++);
    std::vector<double> p(lik.size, 0.0);
    std::tie(out.iterations, out.converged) = maximise(lik, p);
    out.nu = std::exp(p[lik.drawParam]);
    out.drawEqual = out.nu / (2 + out.nu);

    // Covariance of the estimates: the inverse of the observed information.
    std::vector<double> variance(lik.size, inf);
    {
        std::vector<double> g;
        Matrix h, l;
        lik.eval(p, &g, &h);
        for (auto& row : h)
            for (double& x : row) x = -x;
        if (cholesky(h, l)) {
            for (size_t i = 0; i < lik.size; ++i) {
                std::vector<double> e(lik.size, 0.0);
                e[i] = 1;
                variance[i] = choleskySolve(l, e)[i];
            }
        }
    }

    for (int i = 0; i < players; ++i) {
        PlayerRating& r = out.players[i];
        using Kind = PlayerRating::Kind;
        if (!linked[anchor][i]) {
            r.kind = Kind::Unlinked;
        } else if (group[i] == group[anchor]) {
            r.kind = Kind::Finite;
            int k = lik.param[i];
            if (k < 0) continue;  // the anchor: 0 [0, 0]
            r.elo = eloPerUnit * p[k];
            double half = z95 * eloPerUnit * std::sqrt(variance[k]);
            if (!std::isfinite(half)) half = inf;
            r.low = r.elo - half;
            r.high = r.elo + half;
        } else if (reach[anchor][i]) {
            r.kind = Kind::Below;
            r.elo = r.low = r.high = -inf;
        } else if (reach[i][anchor]) {
            r.kind = Kind::Above;
            r.elo = r.low = r.high = inf;
        } else {
            r.kind = Kind::Undecided;
        }
    }
    return std::nullopt;
}

}  // namespace referee
