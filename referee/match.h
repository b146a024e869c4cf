// A match: games from a list of openings, each opening played twice with the colours
// swapped, several games at once, every finished game appended to the output file so that
// a stopped match can be resumed.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "referee/openings.h"
#include "referee/player.h"
#include "referee/record.h"

namespace referee {

struct MatchConfig {
    PlayerSpec a, b;
    int size = 6;
    std::vector<Opening> openings{Opening()};  // at least one (possibly empty) opening
    int games = 2;
    int jobs = 1;
    int maxPlies = 400;
    double margin = 1;
    bool show = false;
    std::string output;  // empty: records go to standard output
    bool resume = false;
    // Called after every finished game with all games so far (resumed ones first).
    std::function<void(const std::vector<GameRecord>&)> afterGame;
};

// Game g starts from opening (g / 2) mod count; player a is X in even games.
struct Pairing {
    int opening;
    bool aIsX;
};
Pairing pairing(const MatchConfig& c, int game);

// What a finished record must agree with to count as game r.game of this match.
std::optional<std::string> checkRecord(const MatchConfig& c, const GameRecord& r);

struct Tally {
    int wins = 0, draws = 0, losses = 0;
    std::array<int, 6> lostBy{};  // indexed by Loss
    double score() const { return wins + 0.5 * draws; }
    int games() const { return wins + draws + losses; }
};
Tally tally(const std::vector<GameRecord>& records, const std::string& name);

std::string summaryText(const MatchConfig& c, const std::vector<GameRecord>& records);

// Plays the games not yet in the output; progress on `progress`, boards, records without
// an output file and the summary on `out`. Returns the exit status: 0 done, 1 failed,
// 130 stopped.
int runMatch(const MatchConfig& c, std::ostream& out, std::ostream& progress);

}  // namespace referee
