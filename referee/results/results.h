// Every figure of a match or tournament, computed once from its games: the result table
// overall and per colour, the losses by kind, the move times, the game pairs and normalised
// Elo, the sequential test and its course, the rating list and the cross table. The views
// (terminal tables, JSON, the report page) render this value and compute nothing themselves.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "referee/play/config.h"
#include "referee/records/counts.h"
#include "referee/records/record.h"
#include "referee/stats/elo.h"
#include "referee/stats/ratings.h"
#include "referee/stats/sprt.h"
#include "referee/stats/stats.h"

namespace referee {

// What the games are the games of.
struct EventInfo {
    Event event = Event::Match;
    int size = 0;  // 0 when unknown
    struct Entrant {
        std::string name;
        double time = 0;  // seconds per move; 0 when unknown
    };
    std::vector<Entrant> players;  // a and b for a match
    int anchor = 0;                // the player rated 0
    std::optional<SprtSettings> sprt;
    int planned = 0;  // the games of the run; 0 when unknown
    // The rating list fits X's first-move advantage (else X and O count alike).
    bool fitFirstMove = true;
};

// The run's own description.
EventInfo eventOf(const MatchConfig& c);

// The description the records carry: the recorded settings of the latest finished game (a
// resumed run may have changed the test), or, for records without usable settings, the
// players in the order of the games (a match of two, else a round robin).
EventInfo eventOfRecords(const std::vector<GameRecord>& games);

// One row of the result table: a score with its Elo estimate.
struct Standing {
    Wdl wdl;
    EloEstimate elo;   // valid when there are games
    double los = 0.5;  // likelihood of superiority, from the decisive games
    double drawRatio = 0;
};

struct PlayerResults {
    std::string name;
    double time = 0;  // seconds per move; 0 when unknown
    Standing all, asX, asO;
    std::array<int, 6> lostBy{};  // indexed by Loss
    MoveTimes moveTimes;
};

// The test's state: the ratio after every game, its bounds, and the decision at the first
// game after which the ratio reached a bound (a run stops starting games there).
struct SprtState {
    SprtSettings settings;
    double llr = 0, lower = 0, upper = 0;
    SprtVerdict verdict = SprtVerdict::Continue;
    int decidedAfter = 0;  // finished games when it was decided; 0 while undecided
};

// A match of two after each finished game, from the first player's side.
struct CoursePoint {
    int index = 0;   // in the list of games given
    int game = -1;   // the record's game number
    int played = 0;  // finished games so far
    double score = 0;
    EloEstimate elo;
    double llr = 0;  // when a test runs
};

struct CrossCell {
    double points = 0;
    int games = 0;
};

// A tournament: the rating list over all games, or why there is none, and the cross table
// (cross[i][j]: player i's points and games against player j).
// The cross table of rated games among n players; games naming a player outside 0 .. n-1,
// or a player against itself, are left out.
std::vector<std::vector<CrossCell>> crossTable(const std::vector<RatedGame>& games, size_t n);

struct RatingResults {
    std::optional<RatingList> list;
    // The rated players (finite or infinitely far), strongest first (equal ratings keep the
    // players' order), and their ranks: players whose ratings round to the same whole
    // point share one.
    std::vector<int> order, rank;
    std::string error;
    std::vector<std::vector<CrossCell>> cross;
};

// The list with its rank order.
RatingResults rankedRatings(const RatingList& list);

struct Results;

// Two players of a tournament who met, and their games as a match of their own.
struct PairResults {
    int first = 0, second = 0;     // indices into the tournament's players, first < second
    std::vector<Results> results;  // one element: the match (a vector, as Results is not
                                   // complete here)
};

struct Results {
    EventInfo event;
    int counted = 0;                     // finished games (unfinished records do not count)
    std::vector<PlayerResults> players;  // in the order of event.players
    // A match of two: the pairs, normalised Elo, the test and the course.
    std::optional<Pentanomial> pairs;
    std::optional<NormalizedElo> normalized;
    std::optional<double> pairLos;  // the likelihood of superiority from the pairs
    std::optional<SprtState> sprt;
    std::vector<CoursePoint> course;
    // A tournament: the ratings and cross table, and every pair that met as a match.
    std::optional<RatingResults> ratings;
    std::vector<PairResults> matches;
};

// Every figure of `games` (in the order they were played: the test's decision is the first
// bound reached in that order), for the event `e`. Games of players not in `e` are left out;
// unfinished records do not count.
Results computeResults(const EventInfo& e, const std::vector<GameRecord>& games);

// The settings of the records: each name with its distinct values, in the order first seen
// (one value when every game of a run agrees).
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

// How a game ended: "time", "crash", "illegal", "repetition", "straights", "move cap",
// "draw" or "unfinished".
std::string howEnded(const GameRecord& r);

}  // namespace referee
