// What the match report shows about a list of game records, worked out once in C++ so that
// the page only draws it: the result table with its per-colour split, the Elo estimate and
// its course over the games, the match settings, and per game its move times and notes.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "referee/elo.h"
#include "referee/match.h"
#include "referee/record.h"

namespace referee {

struct PlayerFigures {
    std::string name;
    Tally all, asX, asO;
};

struct ScorePoint {
    int game = 0;      // index in the list of games
    int played = 0;    // finished games of the first player so far
    double score = 0;  // the first player's points so far
    EloEstimate elo;   // the first player's Elo so far
};

struct MatchFigures {
    std::vector<PlayerFigures> players;  // in the order they first appear
    int counted = 0;                     // finished games (unfinished records do not count)
    // Set when exactly two players met: the first player's Elo over the second, and its
    // course after each of the first player's games.
    std::optional<EloEstimate> elo;
    std::vector<ScorePoint> course;
};

// The one place where the page's table and plot get their numbers.
MatchFigures matchFigures(const std::vector<GameRecord>& games);

// The match settings of the records: each name with its distinct values, in the order first
// seen (one value when every game of a match agrees).
std::vector<std::pair<std::string, std::vector<std::string>>> matchSettings(
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
