// One run: the games of a match or tournament that are still to play, several at once,
// every finished game appended to the output file so that a stopped run can be resumed,
// and the sequential test that may end a match early.
#pragma once

#include <functional>
#include <ostream>
#include <vector>

#include "referee/play/config.h"
#include "referee/play/game.h"
#include "referee/records/record.h"
#include "referee/stats/sprt.h"

namespace referee {

// Where a run stands after a game was stored.
struct RunProgress {
    const std::vector<GameRecord>& finished;  // every game so far, resumed ones first
    const GameRecord& record;                 // the game just stored
    int planned = 0;                          // games of this shard
    int left = 0;                             // games still to play (or to finish)
    double secondsLeft = 0;                   // estimated from this run's games so far
    SprtVerdict verdict = SprtVerdict::Continue;
    bool decidedNow = false;  // the test decided with this game
};

// What a run tells its caller as it goes; each may be left empty.
struct RunHooks {
    // A game about to start.
    std::function<void(const GameSetup&)> started;
    // Every event of a game being played, with --show.
    std::function<void(const GameEvent&)> show;
    // After every stored game.
    std::function<void(const RunProgress&)> stored;
    // Once at the end, with every game in the order stored (resumed ones first) and the
    // test's decision.
    std::function<void(const std::vector<GameRecord>&, SprtVerdict)> done;
};

// Plays the games not yet in the output; messages on `progress`, records without an output
// file on `out`. Returns the exit status: 0 done, 1 failed, 130 stopped.
int runMatch(const MatchConfig& c, const RunHooks& hooks, std::ostream& out,
             std::ostream& progress);

}  // namespace referee
