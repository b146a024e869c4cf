// Game records. A record is what a bit-row player reads (the size line, then one move per
// line) followed by key-value lines "# key: value" and a last line "# end". The players'
// own readers stop at the first line that is not a move, so a record file given to a
// bit-row player as it stands is read as the game it holds (the first one in a file of
// several); a byte-board player reads it without its first line.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/cell_model.h"
#include "referee/records/loss.h"

namespace referee {

enum class Winner { X, O, None };

struct GameRecord {
    int size = 0;
    std::vector<model::Move> moves;
    int game = -1;         // index in its match
    int opening = -1;      // index of the opening it started from
    int openingPlies = 0;  // how many of the moves came from the opening
    std::string x, o;      // player names
    Winner winner = Winner::None;
    Loss loss = Loss::None;  // how the loser lost; None for a draw
    std::string reason;
    double timeX = 0, timeO = 0;  // seconds used by each side
    // Seconds each ply took, in order; negative for plies the referee played itself (the
    // opening). Written as the key line "move-times" ("-" for those), one entry per ply.
    std::vector<double> moveTimes;
    // How the match was set up: key lines "setting-<name>", kept in order.
    std::vector<std::pair<std::string, std::string>> settings;
    std::vector<std::pair<std::string, std::string>> extra;  // further keys, kept in order
    bool complete = false;  // read back with every key of a finished game and its end line
};

const char* resultText(Winner w);  // "1-0", "0-1", "1/2-1/2"

std::string formatRecord(const GameRecord& r);

// Seconds as a record keeps them (three decimals): what reading the record back gives, so
// that a run's tables and those of its records read back (resume, tally) agree to the bit.
double recordedSeconds(double seconds);

struct RecordFile {
    std::vector<GameRecord> records;  // complete ones and plain move lists alike
    size_t goodBytes = 0;  // length of the text up to the end of the last complete record
    std::vector<std::string> problems;  // "line 12: ..." for every line that fits nowhere
};

// Reads records. A record without key lines (a plain player input) is kept with
// complete = false; so is one whose key lines are broken or that lacks its end line.
RecordFile parseRecords(const std::string& text);

}  // namespace referee
