#include "bitrow/notation.h"

#include "bitrow/board.h"

namespace bitrow::BITROW_NS {

namespace {

constexpr const char* names[4][widestRowLimit] = {
    {"L1",  "L2",  "L3",  "L4",  "L5",  "L6",  "L7",  "L8",  "L9",  "L10",
     "L11", "L12", "L13", "L14", "L15", "L16", "L17", "L18", "L19", "L20"},
    {"R1",  "R2",  "R3",  "R4",  "R5",  "R6",  "R7",  "R8",  "R9",  "R10",
     "R11", "R12", "R13", "R14", "R15", "R16", "R17", "R18", "R19", "R20"},
    {"T1",  "T2",  "T3",  "T4",  "T5",  "T6",  "T7",  "T8",  "T9",  "T10",
     "T11", "T12", "T13", "T14", "T15", "T16", "T17", "T18", "T19", "T20"},
    {"B1",  "B2",  "B3",  "B4",  "B5",  "B6",  "B7",  "B8",  "B9",  "B10",
     "B11", "B12", "B13", "B14", "B15", "B16", "B17", "B18", "B19", "B20"}};

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The MoveIndex of move `number` (1..N) entering from `side`, or noMove.
MoveIndex indexOf(char side, int number) {
    const int n = sizes.boardSize;
    // A number outside 1..N would alias another side's move or lie past the last index.
    if (number < 1 || number > n) return noMove;
    switch (side) {
        case 'L':
            return static_cast<MoveIndex>(number - 1);
        case 'R':
            return static_cast<MoveIndex>(n + number - 1);
        case 'T':
            return static_cast<MoveIndex>(3 * n - number);
        case 'B':
            return static_cast<MoveIndex>(4 * n - number);
        default:
            return noMove;
    }
}

}  // namespace

MoveIndex readMove(std::FILE* in) {
    char line[lineBufferSize];
    line[0] = line[1] = line[2] = line[3] = 0;
    if (!std::fgets(line, sizeof line, in)) return noMove;
    if (!isDigit(line[1])) return noMove;
    int number = line[1] - '0';
    if (isDigit(line[2]))
        number = 10 * number + (line[2] - '0');
    else if (line[2] != '\n')
        return noMove;
    return indexOf(line[0], number);
}

const char* moveName(MoveIndex index) {
    const int n = sizes.boardSize;
    if (index < n) return names[0][index];
    if (index < 2 * n) return names[1][index - n];
    if (index < 3 * n) return names[2][3 * n - 1 - index];
    return names[3][4 * n - 1 - index];
}

}  // namespace bitrow::BITROW_NS
