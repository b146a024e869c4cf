// Finished games: a record whose position is already decided is reported, not searched.
#pragma once

#include <cstddef>
#include <string>

#include "analyze/record.h"

namespace analyze {

struct Verdict {
    int winner = 0;           // 0: the game is open; 1 X, 2 O
    std::size_t ply = 0;      // the ply that decided it
    bool repetition = false;  // that ply repeated a position (else: more straights)
    int straightsX = 0, straightsO = 0;
    std::string text;  // "X has won at ply 27: ..."
};

// Judges the record with the bit-row engine's own replay and rules: the first move that
// recreates an earlier position loses for its side; otherwise the side with more straights
// in the last position has won. Returns false with a message in error when the record
// cannot be replayed at all (too long for the engine's history).
bool judgeRecord(const Record& record, Verdict& verdict, std::string& error);

}  // namespace analyze
