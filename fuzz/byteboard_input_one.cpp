// The byte-board part of byteboard_input_fuzz, compiled once per board size: the time-limit
// argument and the move input, read and replayed as the pusher program does, checked against
// strtoll and the cell model. Bad side letters end the real program ("huh"), which the
// program tests cover; here the input is cut just before such a move.
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "byteboard/deepen.h"
#include "byteboard/history.h"
#include "byteboard/notation.h"
#include "byteboard/search.h"
#include "byteboard/turn.h"
#include "fuzz/byteboard_input_one.h"
#include "fuzz/check.h"
#include "fuzz/input_stream.h"
#include "model/cell_model.h"

namespace fuzzing::BYTEBOARD_NS {

namespace {

using namespace byteboard;
using namespace byteboard::BYTEBOARD_NS;

// The limit as the C library reads it, for arguments whose digits fit a long long.
void checkTimeLimit(const std::string& arg) {
    const unsigned got = timelimit(arg.c_str());
    std::size_t digits = 0, i = 0;
    while (i < arg.size() && (arg[i] == ' ' || (arg[i] >= '\t' && arg[i] <= '\r'))) i++;
    if (i < arg.size() && (arg[i] == '+' || arg[i] == '-')) i++;
    while (i + 1 < arg.size() && arg[i] == '0' && arg[i + 1] == '0') i++;  // leading zeros
    while (i + digits < arg.size() && std::isdigit(static_cast<unsigned char>(arg[i + digits])))
        digits++;
    if (digits > 18) {
        // Too long for strtoll to be the yardstick: all that is known is the saturation.
        FUZZ_CHECK(got == 1 || got == UINT_MAX || got == 0);
        return;
    }
    errno = 0;
    const long long v = std::strtoll(arg.c_str(), nullptr, 10);
    FUZZ_CHECK(errno == 0);
    const unsigned want = v < 0 ? 1u : v > UINT_MAX ? UINT_MAX : static_cast<unsigned>(v);
    FUZZ_CHECK(got == want);
}

bool knownSide(char c) {
    return c == 'T' || c == 'B' || c == 'L' || c == 'R';
}

// First pass: the moves readmove takes, up to the first one with a side letter that domove
// refuses; `replayable` is where in the input that move starts.
std::vector<model::Move> movesTaken(const std::uint8_t* moves, std::size_t length,
                                    std::size_t& replayable) {
    std::vector<model::Move> taken;
    replayable = length;
    InputStream in(moves, length);
    long start = 0;
    char side;
    int number;
    while (readmove(in.get(), &side, &number)) {
        FUZZ_CHECK(number >= 1 && number <= N);
        if (!knownSide(side)) {
            replayable = static_cast<std::size_t>(start);
            break;
        }
        taken.push_back({side, number});
        start = std::ftell(in.get());
    }
    return taken;
}

// The current record against the cell model after the same moves: cells, pieces, straights.
void checkAgainstModel(const std::vector<model::Move>& taken) {
    model::Board b(N);
    model::Piece who = model::Piece::X;
    for (const model::Move& m : taken) {
        b.push(m, who);
        who = model::opponent(who);
    }
    const posrec& rec = history.hist[history.hno];
    int xs = 0, os = 0;
    for (int r = 0; r < N; r++)
        for (int c = 0; c < N; c++) {
            FUZZ_CHECK(rec.cell[r * N + c] == static_cast<uint8_t>(b.at(r, c)));
            xs += rec.cell[r * N + c] == 1;
            os += rec.cell[r * N + c] == 2;
        }
    FUZZ_CHECK(rec.xpieces == xs && rec.opieces == os);
    FUZZ_CHECK(rec.xstraights == b.straights(model::Piece::X));
    FUZZ_CHECK(rec.ostraights == b.straights(model::Piece::O));
}

}  // namespace

void runInput(const std::uint8_t* data, std::size_t size) {
    // The first line (up to a NUL, as an argument would end there) is the time limit.
    std::size_t cut = 0;
    while (cut < size && data[cut] != '\n') cut++;
    std::string arg(reinterpret_cast<const char*>(data), cut);
    arg = arg.c_str();
    checkTimeLimit(arg);
    const std::uint8_t* moves = cut < size ? data + cut + 1 : data + size;
    const std::size_t length = cut < size ? size - cut - 1 : 0;
    std::size_t replayable = 0;
    const std::vector<model::Move> taken = movesTaken(moves, length, replayable);

    // Second pass: the replay itself, on the input cut before a refused letter.
    FUZZ_CHECK(reset());
    InputStream in(moves, replayable);
    const int32_t player = replay(in.get());
    FUZZ_CHECK(history.hno == static_cast<int32_t>(taken.size()));
    FUZZ_CHECK(player == (taken.size() % 2 == 0 ? 1 : 2));
    FUZZ_CHECK(history.hno < history.hmax && history.hmax >= histstart);
    checkAgainstModel(taken);

    // One ply of search over the replayed history: every reply and its repetition test.
    if (history.hno < 200) {
        const int32_t before = history.hno;
        const int32_t v = ab(1, player, lowest, highest);
        FUZZ_CHECK(history.hno == before);
        FUZZ_CHECK(v >= lowest && v <= highest);
    }
}

}  // namespace fuzzing::BYTEBOARD_NS
