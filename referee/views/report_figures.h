// What the match report shows about a list of game records, worked out once in C++ so that
// the page only draws it: the result table with its per-colour split, the Elo estimate and
// its course over the games, the pair counts and the sequential test when one ran, the
// ratings and cross table of more than two players, the match settings, and per game its
// move times and notes. Every statistic comes from the referee's own functions.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "referee/play/config.h"
#include "referee/records/counts.h"
#include "referee/records/record.h"
#include "referee/stats/elo.h"
#include "referee/stats/ratings.h"
#include "referee/stats/sprt.h"
#include "referee/stats/stats.h"

namespace referee {

struct PlayerFigures {
    std::string name;
    Tally all, asX, asO;
    double drawRatio = 0;  // drawn games per finished game
};

struct ScorePoint {
    int game = 0;      // index in the list of games
    int played = 0;    // finished games of the first player so far
    double score = 0;  // the first player's points so far
    EloEstimate elo;   // the first player's Elo so far
    double llr = 0;    // the test's log-likelihood ratio so far (when a test ran)
};

// The sequential test the records' settings name, on the pairs played.
struct SprtFigures {
    SprtSettings settings;
    double llr = 0, lower = 0, upper = 0;  // the ratio after all games, and the bounds
    // The decision at the first game after which the ratio reached a bound (the referee
    // stops starting games there), or Continue.
    SprtVerdict verdict = SprtVerdict::Continue;
    int decidedAfter = 0;  // finished games when it was decided; 0 while undecided
};

struct MatchFigures {
    std::vector<PlayerFigures> players;  // in the order they first appear
    int counted = 0;                     // finished games (unfinished records do not count)
    // Set when exactly two players met: the first player's Elo over the second, and its
    // course after each of the first player's games.
    std::optional<EloEstimate> elo;
    std::vector<ScorePoint> course;
    double los = 0;                   // the first player's likelihood of superiority
    Pentanomial pairs;                // pairs by the first player's points
    NormalizedElo normalized;         // from the pairs
    std::optional<SprtFigures> sprt;  // when the records' settings carry a test
    // Set when more than two players met: their ratings (anchored at the first player) and
    // the games they were computed from, indexed by `players`.
    std::optional<RatingList> ratings;
    std::vector<RatedGame> rated;
};

// The test named by a record's "sprt" setting ("elo0=0 elo1=5 alpha=0.05 beta=0.05"), or
// nothing for "none" and for text that does not name a valid test.
std::optional<SprtSettings> recordedSprt(const std::string& value);

// The one place where the page's table and plot get their numbers.
MatchFigures matchFigures(const std::vector<GameRecord>& games);

// The match settings of the records: each name with its distinct values, in the order first
// seen (one value when every game of a match agrees).
std::vector<std::pair<std::string, std::vector<std::string>>> settingValues(
    const std::vector<GameRecord>& games);

// Seconds each ply took: nothing for an opening ply. Empty when the record has no times or
// not one per ply.
std::vector<std::optional<double>> plyTimes(const GameRecord& r);

// A player's remark kept in a record ("stderr" and "note" keys, "ply 4 o: text").
struct GameNote {
    std::string kind;  // the key
    int ply = 0;       // 0 when the text names no ply
    char side = 0;     // 'x', 'o' or 0
    std::string text;
};
std::vector<GameNote> gameNotes(const GameRecord& r);

// How a game ended, for the page's filter: "time", "crash", "illegal", "repetition",
// "straights", "move cap", "draw" or "unfinished".
std::string howEnded(const GameRecord& r);

}  // namespace referee
