#include "referee/stats/ratings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <tuple>
#include <utility>

#include "referee/stats/elo.h"

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
// reference, log nu, and X's first-move advantage when it is fitted (X plays with its
// strength times e^adv). A weak prior counts as three games between two equal players,
// one won by X, one won by O and one drawn: it keeps nu finite and positive (the data
// alone put it at 0 without draws, at infinity without decisive games, and let it run
// off to infinity together with the ratings when in some pair one side drew but never
// won), keeps the advantage finite (the data alone put it at infinity when X won every
// game), and fades as games accumulate.
struct Likelihood {
    const std::vector<RatedGame>* games;
    std::vector<int> param;   // per player: index of its strength, -1 when fixed at 0
    int drawParam = 0;        // index of log nu
    int firstMoveParam = -1;  // index of the advantage; -1 when not fitted (fixed at 0)
    size_t size = 0;

    // Outcomes of a game: X wins, O wins, drawn; each a log-weight and a direction in the
    // parameter space (at most `terms` non-zero entries).
    static constexpr int terms = 4;
    struct Outcome {
        double logit;
        int index[terms];
        double coef[terms];
    };
    enum Played { XWins, OWins, Drawn, outcomes };
    using Outcomes = std::array<Outcome, outcomes>;

    // Parameter k at p: 0 for a fixed one (k < 0).
    static double value(const std::vector<double>& p, int k) { return k < 0 ? 0.0 : p[k]; }

    // Value, and when g is given, gradient and Hessian.
    double eval(const std::vector<double>& p, std::vector<double>* g, Matrix* h) const {
        if (g) {
            g->assign(size, 0.0);
            h->assign(size, std::vector<double>(size, 0.0));
        }
        double f = 0;
        // The prior's games, between two players fixed at strength 0.
        for (Played played : {XWins, OWins, Drawn}) f += gameTerm(p, -1, -1, played, g, h);
        for (const RatedGame& game : *games) {
            Played played = game.result == 1 ? XWins : game.result == 0 ? OWins : Drawn;
            f += gameTerm(p, param[game.x], param[game.o], played, g, h);
        }
        return f;
    }

    // One game's term, X's strength parameter x and O's o: the played outcome's log-weight
    // minus the log of the sum of all three weights, with its derivatives added to g and h
    // when given.
    double gameTerm(const std::vector<double>& p, int x, int o, Played played,
                    std::vector<double>* g, Matrix* h) const {
        const Outcomes out = outcomesOf(p, x, o);
        double top = std::max({out[XWins].logit, out[OWins].logit, out[Drawn].logit});
        double sum = 0;
        for (int k = 0; k < outcomes; ++k) sum += std::exp(out[k].logit - top);
        double logZ = top + std::log(sum);
        if (g) addDerivatives(out, played, logZ, *g, *h);
        return out[played].logit - logZ;
    }

    // The three outcomes of a game at the parameters p.
    Outcomes outcomesOf(const std::vector<double>& p, int x, int o) const {
        const int adv = firstMoveParam;
        double a = value(p, x) + value(p, adv), b = value(p, o);
        return {{{a, {x, adv, -1, -1}, {1, 1, 0, 0}},
                 {b, {o, -1, -1, -1}, {1, 0, 0, 0}},
                 {(a + b) / 2 + p[drawParam], {x, o, drawParam, adv}, {0.5, 0.5, 1, 0.5}}}};
    }

    // Gradient: the played direction minus the expected direction; Hessian: minus the
    // covariance of the direction under the model's outcome probabilities.
    static void addDerivatives(const Outcomes& out, int played, double logZ, std::vector<double>& g,
                               Matrix& h) {
        std::vector<std::pair<int, double>> mean;
        for (int k = 0; k < outcomes; ++k) {
            double prob = std::exp(out[k].logit - logZ);
            for (int e = 0; e < terms; ++e) {
                int i = out[k].index[e];
                if (i < 0) continue;
                double c = out[k].coef[e];
                if (k == played) g[i] += c;
                g[i] -= prob * c;
                bool found = false;
                for (auto& m : mean)
                    if (m.first == i) m.second += prob * c, found = true;
                if (!found) mean.push_back({i, prob * c});
                for (int e2 = 0; e2 < terms; ++e2) {
                    int j = out[k].index[e2];
                    if (j >= 0) h[i][j] -= prob * c * out[k].coef[e2];
                }
            }
        }
        for (auto& [i, mi] : mean)
            for (auto& [j, mj] : mean) h[i][j] += mi * mj;
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

// The first fault of input the fit cannot use, as a message; nothing when there is none.
std::optional<std::string> refusal(int players, const std::vector<RatedGame>& games, int anchor) {
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
    return std::nullopt;
}

// Each player's games and points, for the list beside the ratings.
void countScores(const std::vector<RatedGame>& games, RatingList& out) {
    for (const RatedGame& g : games) {
        out.players[g.x].games++;
        out.players[g.o].games++;
        out.players[g.x].points += g.result;
        out.players[g.o].points += 1 - g.result;
    }
}

// The chains of games between players, which decide where a rating can be finite.
struct Links {
    std::vector<std::vector<char>> reach;   // reachability() over games scored in
    std::vector<std::vector<char>> linked;  // any chain of games joins i and j
};

// Links the players by who scored against whom and who met whom: each pair once, however
// many games.
Links linkPlayers(int players, const std::vector<RatedGame>& games) {
    std::vector<std::vector<char>> scoredPair(players, std::vector<char>(players, 0));
    for (const RatedGame& g : games) {
        if (g.result >= 0.5) scoredPair[g.x][g.o] = 1;
        if (g.result <= 0.5) scoredPair[g.o][g.x] = 1;
    }
    std::vector<std::vector<int>> scored(players), met(players);
    for (int i = 0; i < players; ++i)
        for (int j = 0; j < players; ++j) {
            if (scoredPair[i][j]) scored[i].push_back(j);
            if (scoredPair[i][j] || scoredPair[j][i]) met[i].push_back(j);
        }
    return {reachability(players, scored), reachability(players, met)};
}

// Groups: players who reach each other. Games inside a group have a finite maximum;
// between groups every point went one way, which only an infinite difference explains.
// The anchor's group is number 0.
struct Groups {
    std::vector<int> of;  // per player
    int count = 1;
};

// Sorts the players into groups, the anchor's first, the others in order of their first player.
Groups groupPlayers(int players, int anchor, const std::vector<std::vector<char>>& reach) {
    Groups groups;
    groups.of.assign(players, -1);
    for (int j = 0; j < players; ++j)
        if (reach[anchor][j] && reach[j][anchor]) groups.of[j] = 0;
    for (int i = 0; i < players; ++i) {
        if (groups.of[i] >= 0) continue;
        for (int j = i; j < players; ++j)
            if (reach[i][j] && reach[j][i]) groups.of[j] = groups.count;
        groups.count++;
    }
    return groups;
}

// The games whose players are in one group: the only ones the fit can use.
std::vector<RatedGame> gamesInsideGroups(const std::vector<RatedGame>& games,
                                         const Groups& groups) {
    std::vector<RatedGame> inside;
    for (const RatedGame& g : games)
        if (groups.of[g.x] == groups.of[g.o]) inside.push_back(g);
    return inside;
}

// The likelihood of the games inside the groups. Each group's first player (the anchor in
// the anchor's group) is its reference, fixed at 0; every other player has a free strength.
Likelihood likelihoodOf(const std::vector<RatedGame>& inside, int anchor, const Groups& groups,
                        bool fitFirstMove) {
    const int players = static_cast<int>(groups.of.size());
    Likelihood lik;
    lik.param.assign(players, -1);
    std::vector<char> seen(groups.count, 0);
    seen[groups.of[anchor]] = 1;  // the anchor is its group's reference
    for (int i = 0; i < players; ++i) {
        if (i == anchor) continue;
        if (seen[groups.of[i]])
            lik.param[i] = static_cast<int>(lik.size++);
        else
            seen[groups.of[i]] = 1;
    }
    lik.games = &inside;
    lik.drawParam = static_cast<int>(lik.size++);
    if (fitFirstMove) lik.firstMoveParam = static_cast<int>(lik.size++);
    return lik;
}

// Variance of each estimate: the diagonal of the inverse of the observed information at
// the maximum p; infinite when the information is singular.
std::vector<double> variances(const Likelihood& lik, const std::vector<double>& p) {
    std::vector<double> variance(lik.size, inf);
    std::vector<double> g;
    Matrix h, l;
    lik.eval(p, &g, &h);
    for (auto& row : h)
        for (double& x : row) x = -x;
    if (!cholesky(h, l)) return variance;
    for (size_t i = 0; i < lik.size; ++i) {
        std::vector<double> e(lik.size, 0.0);
        e[i] = 1;
        variance[i] = choleskySolve(l, e)[i];
    }
    return variance;
}

// Where player i stands relative to the anchor, by the chains of games between them.
PlayerRating::Kind standing(int i, int anchor, const Links& links, const Groups& groups) {
    using Kind = PlayerRating::Kind;
    if (!links.linked[anchor][i]) return Kind::Unlinked;
    if (groups.of[i] == groups.of[anchor]) return Kind::Finite;
    if (links.reach[anchor][i]) return Kind::Below;
    if (links.reach[i][anchor]) return Kind::Above;
    return Kind::Undecided;
}

// Parameter k of the fit p in Elo with its 95 % interval, from its variance.
struct Estimate {
    double elo = 0, low = 0, high = 0;
};
Estimate estimate(int k, const std::vector<double>& p, const std::vector<double>& variance) {
    Estimate e;
    e.elo = eloPerUnit * p[k];
    double half = z95 * eloPerUnit * std::sqrt(variance[k]);
    if (!std::isfinite(half)) half = inf;
    e.low = e.elo - half;
    e.high = e.elo + half;
    return e;
}

// Sets a player's kind and rating: for a finite one, strength k of the fit p with its 95 %
// interval (k < 0, the anchor, stays at 0 [0, 0]); infinite for one above or below.
void place(PlayerRating& r, PlayerRating::Kind kind, int k, const std::vector<double>& p,
           const std::vector<double>& variance) {
    using Kind = PlayerRating::Kind;
    r.kind = kind;
    if (kind == Kind::Finite && k >= 0) {
        const Estimate e = estimate(k, p, variance);
        r.elo = e.elo;
        r.low = e.low;
        r.high = e.high;
    } else if (kind == Kind::Below) {
        r.elo = r.low = r.high = -inf;
    } else if (kind == Kind::Above) {
        r.elo = r.low = r.high = inf;
    }
}

}  // namespace

std::optional<std::string> rateGames(int players, const std::vector<RatedGame>& games, int anchor,
                                     RatingList& out, bool fitFirstMove) {
    if (auto wrong = refusal(players, games, anchor)) return wrong;
    out = RatingList();
    out.anchor = anchor;
    out.players.assign(players, PlayerRating());
    countScores(games, out);

    const Links links = linkPlayers(players, games);
    const Groups groups = groupPlayers(players, anchor, links.reach);
    const std::vector<RatedGame> inside = gamesInsideGroups(games, groups);
    const Likelihood lik = likelihoodOf(inside, anchor, groups, fitFirstMove);  // refers to inside

    std::vector<double> p(lik.size, 0.0);
    std::tie(out.iterations, out.converged) = maximise(lik, p);
    out.nu = std::exp(p[lik.drawParam]);
    out.drawEqual = out.nu / (2 + out.nu);
    const std::vector<double> variance = variances(lik, p);
    if (fitFirstMove) {
        const Estimate e = estimate(lik.firstMoveParam, p, variance);
        out.firstMoveFitted = true;
        out.firstMove = e.elo;
        out.firstMoveLow = e.low;
        out.firstMoveHigh = e.high;
    }

    for (int i = 0; i < players; ++i)
        place(out.players[i], standing(i, anchor, links, groups), lik.param[i], p, variance);
    return std::nullopt;
}

}  // namespace referee
