// Fuzz target: the bit-row player's game record (size line, move lines) through the three
// builds. Each input is read by every build that plays its N, as readSize, startGame and
// replayGame do in the player, and checked against a plain reading of the same bytes
// replayed on the cell model: the same moves are taken, the same cells result, and a
// record is refused exactly where it repeats a position (keys that merely collide are
// legal) or runs past the history. Small boards are also searched to depth 3.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "bitrow/tool_handle.h"
#include "fuzz/check.h"
#include "fuzz/input_stream.h"
#include "model/cell_model.h"

namespace {

// Records longer than this many moves are refused (the history keeps room for a search).
constexpr std::size_t kMaxRecordMoves = bitrow::maxRecordMoves;
constexpr std::size_t kLineChars = bitrow::lineBufferSize - 1;  // one line read at most

// The input cut as the players' line reads cut it: through a newline or 97 characters.
std::vector<std::string> lineReads(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < size) {
        std::string line;
        while (pos < size && line.size() < kLineChars) {
            const char c = static_cast<char>(data[pos++]);
            line += c;
            if (c == '\n') break;
        }
        lines.push_back(line);
    }
    return lines;
}

int sizeOf(const std::string& line) {
    const long n = std::strtol(line.c_str(), nullptr, 10);  // stops at a NUL byte like the player
    return n > 1000 ? 1000 : n < -1000 ? -1000 : static_cast<int>(n);
}

// A move line: a side letter, a digit, then a newline or a second digit.
std::optional<model::Move> moveOf(const std::string& line, int n) {
    auto at = [&](std::size_t i) { return i < line.size() ? line[i] : '\0'; };
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (!digit(at(1))) return std::nullopt;
    int number = at(1) - '0';
    if (digit(at(2)))
        number = 10 * number + (at(2) - '0');
    else if (at(2) != '\n')
        return std::nullopt;
    const char side = at(0);
    if (number < 1 || number > n) return std::nullopt;
    if (side != 'L' && side != 'R' && side != 'T' && side != 'B') return std::nullopt;
    return model::Move{side, number};
}

struct Reference {
    int n = 0;
    std::vector<model::Move> moves;  // the moves of the record, up to its first non-move line
    int firstRepeat = -1;            // index of the first move that repeats a position
};

Reference readReference(const std::uint8_t* data, std::size_t size) {
    Reference ref;
    const std::vector<std::string> lines = lineReads(data, size);
    if (lines.empty()) return ref;
    ref.n = sizeOf(lines[0]);
    if (ref.n < 1 || ref.n > model::kMaxSize) return ref;
    for (std::size_t i = 1; i < lines.size(); i++) {
        auto m = moveOf(lines[i], ref.n);
        if (!m) break;
        ref.moves.push_back(*m);
    }
    return ref;
}

std::string key(const model::Board& b, model::Piece toMove) {
    std::string k(1, model::pieceChar(toMove));
    for (int r = 0; r < b.size(); r++)
        for (int c = 0; c < b.size(); c++) k += model::pieceChar(b.at(r, c));
    return k;
}

// The model's board after the first `count` moves; notes the first repetition on the way.
model::Board play(Reference& ref, std::size_t count) {
    model::Board b(ref.n);
    model::Piece who = model::Piece::X;
    std::unordered_set<std::string> seen{key(b, who)};
    for (std::size_t i = 0; i < count; i++) {
        b.push(ref.moves[i], who);
        who = model::opponent(who);
        if (!seen.insert(key(b, who)).second && ref.firstRepeat < 0)
            ref.firstRepeat = static_cast<int>(i);
    }
    return b;
}

bool sameCells(const bitrow::ToolHandle& e, const model::Board& b) {
    for (int r = 0; r < b.size(); r++)
        for (int c = 0; c < b.size(); c++)
            if (e.cell(r, c) != static_cast<int>(b.at(r, c))) return false;
    return true;
}

struct Outcome {
    bool read = false;  // the build plays this N and replayed the record
    bitrow::Replay replay = bitrow::Replay::Ok;
    int count = 0;  // positions recorded after the replay
};

// The replay's result against the model's reading of the same record.
void checkReplay(const bitrow::ToolHandle& e, const Outcome& out, Reference& ref) {
    const std::size_t played = static_cast<std::size_t>(out.count - 1);
    const std::size_t total = ref.moves.size();
    switch (out.replay) {
        case bitrow::Replay::Ok:  // the whole record, no position repeated
            FUZZ_CHECK(played == total && total <= kMaxRecordMoves);
            FUZZ_CHECK(sameCells(e, play(ref, total)));
            FUZZ_CHECK(ref.firstRepeat < 0);
            return;
        case bitrow::Replay::Repetition:  // move `played` repeats a position: its board is
                                          // current, not recorded
            FUZZ_CHECK(played < total);
            FUZZ_CHECK(sameCells(e, play(ref, played + 1)));
            // Refused exactly at the first real repetition, never at a mere key collision.
            FUZZ_CHECK(ref.firstRepeat == static_cast<int>(played));
            return;
        case bitrow::Replay::TooLong:  // too long for the history
            FUZZ_CHECK(played == kMaxRecordMoves && total > played);
            FUZZ_CHECK(sameCells(e, play(ref, played)));
            FUZZ_CHECK(ref.firstRepeat < 0);
            return;
    }
    FUZZ_CHECK(!"unknown replay result");
}

// The search to the first depth: it must name a move of this N and leave the replayed game
// as it found it.
void checkShallowSearch(const bitrow::ToolHandle& e, int n, const Outcome& out, Reference& ref) {
    const int savedLimit = *e.depthLimit;
    *e.depthLimit = bitrow::firstDepth;
    bitrow::Score score = 0;
    const bitrow::MoveIndex best = e.deepen(&score);
    *e.depthLimit = savedLimit;
    FUZZ_CHECK(best >= 0 && best < 4 * n);
    FUZZ_CHECK(model::parseMove(e.moveName(best), n).has_value());
    FUZZ_CHECK(e.histCount() == out.count);
    FUZZ_CHECK(sameCells(e, play(ref, ref.moves.size())));
}

Outcome runEngine(const bitrow::ToolHandle& e, const std::uint8_t* data, std::size_t size,
                  Reference& ref) {
    e.reset();
    fuzzing::InputStream in(data, size);
    const int n = e.readSize(in.get());
    FUZZ_CHECK(n == ref.n || ref.n < 1 || ref.n > model::kMaxSize);
    Outcome out;
    if (n < 1 || n > e.rowLimit) return out;
    e.startGame(n);
    FUZZ_CHECK(e.histCount() == 1);
    out.read = true;
    out.replay = e.replay(in.get());
    out.count = e.histCount();
    checkReplay(e, out, ref);
    // The search only on the smallest boards, to keep every input fast.
    if (out.replay == bitrow::Replay::Ok && n <= 3) checkShallowSearch(e, n, out, ref);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reference ref = readReference(data, size);
    std::optional<Outcome> first;
    for (const bitrow::ToolHandle* e : {&bitrow::handle8, &bitrow::handle16, &bitrow::handle32}) {
        Reference mine = ref;
        const Outcome o = runEngine(*e, data, size, mine);
        if (!o.read) continue;
        // Every build that plays N reads the record alike: the keys are the same in all.
        if (first) FUZZ_CHECK(o.replay == first->replay && o.count == first->count);
        first = o;
    }
    return 0;
}
