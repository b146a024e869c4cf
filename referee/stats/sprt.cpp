#include "referee/stats/sprt.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "referee/text/escape.h"
#include "referee/text/number_text.h"

namespace referee {

double SprtSettings::lowerBound() const {
    return std::log(beta / (1 - alpha));
}

double SprtSettings::upperBound() const {
    return std::log((1 - beta) / alpha);
}

std::optional<std::string> checkSprt(const SprtSettings& s) {
    auto finite = [](double v) { return std::isfinite(v); };
    if (!finite(s.elo0) || !finite(s.elo1) || !(s.elo0 < s.elo1)) return "elo0 must be below elo1";
    if (!(s.alpha > 0 && s.alpha < 1) || !(s.beta > 0 && s.beta < 1))
        return "alpha and beta must lie strictly between 0 and 1";
    if (!(s.alpha + s.beta < 1)) return "alpha + beta must be below 1";
    return std::nullopt;
}

std::optional<std::string> parseSprt(const std::vector<std::string>& given, SprtSettings& out) {
    // "elo0=1 elo1=5" as one word (a config file's value) counts as two.
    std::vector<std::string> words;
    for (const std::string& g : given) {
        size_t pos = 0;
        while (pos <= g.size()) {
            size_t space = g.find(' ', pos);
            if (space == std::string::npos) space = g.size();
            if (space > pos) words.push_back(g.substr(pos, space - pos));
            pos = space + 1;
        }
    }
    for (const std::string& w : words) {
        size_t eq = w.find('=');
        std::string name = w.substr(0, eq == std::string::npos ? 0 : eq);
        double* field = name == "elo0"    ? &out.elo0
                        : name == "elo1"  ? &out.elo1
                        : name == "alpha" ? &out.alpha
                        : name == "beta"  ? &out.beta
                                          : nullptr;
        if (!field)
            return "--sprt takes elo0=E0 elo1=E1 alpha=A beta=B, not '" + escape(w, 60) + "'";
        const char* from = w.data() + eq + 1;
        const char* to = w.data() + w.size();
        auto [end, ec] = std::from_chars(from, to, *field);
        if (ec != std::errc() || end != to || !std::isfinite(*field))
            return "--sprt: '" + escape(w, 60) + "' is not a number";
    }
    if (auto wrong = checkSprt(out)) return "--sprt: " + *wrong;
    return std::nullopt;
}

std::string sprtText(const SprtSettings& s) {
    auto number = [](double v) { return shortNumber(v, 9); };
    return "elo0=" + number(s.elo0) + " elo1=" + number(s.elo1) + " alpha=" + number(s.alpha) +
           " beta=" + number(s.beta);
}

std::vector<double> closestDistribution(const std::vector<double>& scores,
                                        const std::vector<double>& observed, double t) {
    const size_t n = scores.size();
    std::vector<double> p(n, 1.0 / n), phi(n);
    // Fixed-point iteration: with the mean and spread of the current estimate frozen, the
    // constraint is linear, sum p_i phi_i = 0, and the best p is observed_i / (1 + theta
    // phi_i) with theta the root of sum observed_i phi_i / (1 + theta phi_i) = 0.
    for (int round = 0; round < 200; round++) {
        double mu = 0, var = 0;
        for (size_t i = 0; i < n; i++) mu += p[i] * scores[i];
        for (size_t i = 0; i < n; i++) var += p[i] * (scores[i] - mu) * (scores[i] - mu);
        double sigma = std::sqrt(var);
        if (!(sigma > 0)) break;
        for (size_t i = 0; i < n; i++) {
            double z = (scores[i] - mu) / sigma;
            phi[i] = scores[i] - 0.5 - 0.5 * t * sigma * (1 + z * z);
        }
        double lo = *std::min_element(phi.begin(), phi.end());
        double hi = *std::max_element(phi.begin(), phi.end());
        if (!(lo < 0 && hi > 0)) break;
        // Every 1 + theta phi_i stays positive for theta in (-1 / hi, -1 / lo), and the
        // sum falls from +inf to -inf over that range.
        double a = -1 / hi, b = -1 / lo;
        auto f = [&](double theta) {
            double s = 0;
            for (size_t i = 0; i < n; i++) s += observed[i] * phi[i] / (1 + theta * phi[i]);
            return s;
        };
        for (int step = 0; step < 200; step++) {
            double m = 0.5 * (a + b);
            if (m <= a || m >= b) break;
            (f(m) > 0 ? a : b) = m;
        }
        double theta = 0.5 * (a + b);
        double change = 0, sum = 0;
        std::vector<double> next(n);
        for (size_t i = 0; i < n; i++) {
            next[i] = observed[i] / (1 + theta * phi[i]);
            sum += next[i];
        }
        for (size_t i = 0; i < n; i++) {
            next[i] /= sum;
            change = std::max(change, std::abs(next[i] - p[i]));
        }
        p = next;
        if (change < 1e-13) break;
    }
    return p;
}

double sprtLlr(const SprtSettings& s, const Pentanomial& p) {
    if (p.pairs() <= 0) return 0;
    double total = 0;
    std::array<double, 5> share = pentanomialShares(p, total);
    std::vector<double> observed(share.begin(), share.end());
    const std::vector<double> scores{0, 0.25, 0.5, 0.75, 1};
    // The pair score's spread is sqrt(2) times smaller than that of a single game with the
    // same normalised Elo: t for a pair is sqrt(2) * elo / (800 / ln 10).
    double t0 = std::sqrt(2.0) * s.elo0 / kEloPerT, t1 = std::sqrt(2.0) * s.elo1 / kEloPerT;
    std::vector<double> p0 = closestDistribution(scores, observed, t0);
    std::vector<double> p1 = closestDistribution(scores, observed, t1);
    double llr = 0;
    for (size_t i = 0; i < observed.size(); i++)
        llr += observed[i] * (std::log(p1[i]) - std::log(p0[i]));
    return total * llr;
}

SprtVerdict sprtVerdict(const SprtSettings& s, double llr) {
    if (llr >= s.upperBound()) return SprtVerdict::AcceptH1;
    if (llr <= s.lowerBound()) return SprtVerdict::AcceptH0;
    return SprtVerdict::Continue;
}

const char* sprtVerdictText(SprtVerdict v) {
    return v == SprtVerdict::AcceptH1   ? "H1 accepted"
           : v == SprtVerdict::AcceptH0 ? "H0 accepted"
                                        : "no decision";
}

}  // namespace referee
