#include "analyze/record.h"

#include <climits>
#include <cstdlib>

namespace analyze {

namespace {

// The players read lines with a buffer of 98 bytes, the terminating zero included.
constexpr int lineBuffer = 98;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// One move line, or false for anything that ends the record.
bool readMove(std::FILE* in, int n, Move& move) {
    char line[lineBuffer];
    line[0] = line[1] = line[2] = line[3] = 0;
    if (!std::fgets(line, sizeof line, in)) return false;
    if (!isDigit(line[1])) return false;
    int number = line[1] - '0';
    if (isDigit(line[2]))
        number = 10 * number + (line[2] - '0');
    else if (line[2] != '\n')
        return false;
    if (number < 1 || number > n) return false;
    switch (line[0]) {
        case 'L':
        case 'R':
        case 'T':
        case 'B':
            move = {line[0], number};
            return true;
        default:
            return false;
    }
}

int readSize(std::FILE* in) {
    char line[lineBuffer];
    if (!std::fgets(line, sizeof line, in)) return 0;
    const long n = std::strtol(line, nullptr, 10);
    if (n > INT_MAX) return INT_MAX;
    if (n < INT_MIN) return INT_MIN;
    return static_cast<int>(n);
}

}  // namespace

RecordStatus readRecord(std::FILE* in, Record& record) {
    record = Record{};
    record.size = readSize(in);
    if (record.size < 1 || record.size > largestSize) return RecordStatus::BadSize;
    for (Move m; readMove(in, record.size, m);) {
        if (record.moves.size() >= static_cast<size_t>(recordMoveLimit))
            return RecordStatus::TooLong;
        record.moves.push_back(m);
    }
    return RecordStatus::Ok;
}

std::string moveText(const Move& move) {
    return move.side + std::to_string(move.number);
}

std::string recordText(const Record& record) {
    std::string text = std::to_string(record.size) + "\n";
    for (const Move& m : record.moves) text += moveText(m) + "\n";
    return text;
}

}  // namespace analyze
