// Game records in the bit-row players' input format: a size line, then one move per line.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "bitrow/types.h"

namespace analyze {

struct Move {
    char side;   // 'L', 'R', 'T' or 'B'
    int number;  // 1..N
};

struct Record {
    int size = 0;
    std::vector<Move> moves;
};

enum class RecordStatus { Ok, BadSize, TooLong };

// The largest N any engine plays.
constexpr int largestSize = bitrow::widestRowLimit;
// More moves than this are refused: no engine keeps that much history.
constexpr int recordMoveLimit = 100000;

// Reads a record as the bit-row players do. The size line is converted like strtol in base
// 10 (leading blanks and a sign accepted, stops at the first non-digit, clamped to int);
// outside 1..largestSize the status is BadSize and nothing more is read. Lines are read at
// most 97 characters at a time (the rest of a longer line is the next line). A move line is
// a side letter L, R, T or B, then one digit and the newline, or two digits and anything;
// the record ends at the end of input, at the first other line, or at a number outside
// 1..N. More than recordMoveLimit moves give TooLong.
RecordStatus readRecord(std::FILE* in, Record& record);
// The same from a text held in memory.
RecordStatus readRecordText(const std::string& text, Record& record);

// The record as the players' input: "N\n" and one "L3\n" line per move.
std::string recordText(const Record& record);

// In a file of referee records (each ends with a line "# end"), the text of the record that
// holds the line "# game: G". False when there is none.
bool findGame(const std::string& text, int game, std::string& record);

// "L3" for a move.
std::string moveText(const Move& move);

}  // namespace analyze
