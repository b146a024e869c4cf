// The referee's text on the terminal: the closing table of a match or tournament, and the
// line printed after every game.
#pragma once

#include <string>
#include <vector>

#include "referee/play/config.h"
#include "referee/play/match.h"
#include "referee/records/record.h"
#include "referee/stats/sprt.h"

namespace referee {

// The final table; `verdict` is the test's decision when one was reached.
std::string summaryText(const MatchConfig& c, const std::vector<GameRecord>& records,
                        SprtVerdict verdict = SprtVerdict::Continue);

// The line after a stored game: the count, the game and its result, the score so far (a
// match), the test's state, the games left and the time they should take.
std::string progressLine(const MatchConfig& c, const RunProgress& p);

}  // namespace referee
