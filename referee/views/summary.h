// The referee's text on the terminal: the closing table of a match or tournament, and the
// line printed after every game.
#pragma once

#include <string>

#include "referee/play/match.h"
#include "referee/results/results.h"

namespace referee {

// The final table.
std::string summaryText(const Results& r);

// The line before a game starts: its number, opening and players.
std::string startLine(const GameSetup& s);

// The line after a stored game: the count, the game and its result, the score so far (a
// match; `r` holds the results of the games so far), the test's state, the games left and
// the time they should take.
std::string progressLine(const Results& r, const RunProgress& p);

}  // namespace referee
