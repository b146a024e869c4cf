// The generalised sequential probability ratio test on game pairs: H0 "the normalised
// Elo difference is elo0" against H1 "it is elo1", decided from the pentanomial counts.
// The log-likelihood ratio is that of the maximum-likelihood pair-score distributions
// under each hypothesis (M. Van den Bergh, "Comments on normalized Elo", section 4.1).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "referee/stats/stats.h"

namespace referee {

struct SprtSettings {
    double elo0 = 0, elo1 = 5, alpha = 0.05, beta = 0.05;
    // ln(beta / (1 - alpha)): H0 is accepted at or below it.
    double lowerBound() const;
    // ln((1 - beta) / alpha): H1 is accepted at or above it.
    double upperBound() const;
};

// Why the settings cannot run (elo0 not below elo1, alpha or beta outside (0, 1), their
// sum not below 1), or nothing.
std::optional<std::string> checkSprt(const SprtSettings& s);

// Reads "elo0=E0 elo1=E1 alpha=A beta=B" (any of them, in any order, as separate words or
// blank-separated in one; the others keep their defaults); the error text or nothing.
std::optional<std::string> parseSprt(const std::vector<std::string>& words, SprtSettings& out);

// The settings as parseSprt reads them back, every value exact to nine digits.
std::string sprtText(const SprtSettings& s);

// The distribution of largest likelihood for the observed shares `observed` of outcomes
// with the scores `scores` (in [0, 1]) among those whose (mean - 1/2) / standard deviation
// is t. observed must be positive everywhere and sum to 1; scores must hold a value
// below and one above 1/2 + t * sigma for every sigma.
std::vector<double> closestDistribution(const std::vector<double>& scores,
                                        const std::vector<double>& observed, double t);

// The log-likelihood ratio of H1 over H0 for these pair counts.
double sprtLlr(const SprtSettings& s, const Pentanomial& p);

enum class SprtVerdict { Continue, AcceptH0, AcceptH1 };
SprtVerdict sprtVerdict(const SprtSettings& s, double llr);

// "H1 accepted", "H0 accepted", "no decision": the one spelling of each verdict.
const char* sprtVerdictText(SprtVerdict v);

}  // namespace referee
