#include "analyze/verdict.h"

#include "analyze/searcher.h"

namespace analyze {

namespace {

const char* sideName(int player) {
    return player == 1 ? "X" : "O";
}

}  // namespace

bool judgeRecord(const Record& record, Verdict& v, std::string& error) {
    v = Verdict{};
    error.clear();
    std::unique_ptr<Searcher> judge = makeSearcher(EngineKind::BitRow, 0, record.size, error);
    if (!judge) return false;
    const std::string repeats = "the game repeats a position";
    error = judge->load(record);
    if (error == repeats) {
        // The first ply whose position was seen before: every longer prefix repeats too, so
        // a bisection over prefixes finds it with the engine's own replay.
        std::size_t fine = 0, repeating = record.moves.size();
        Record prefix{record.size, {}};
        while (repeating - fine > 1) {
            const std::size_t mid = fine + (repeating - fine) / 2;
            prefix.moves.assign(record.moves.begin(), record.moves.begin() + mid);
            error = judge->load(prefix);
            if (error == repeats)
                repeating = mid;
            else if (error.empty())
                fine = mid;
            else
                return false;
        }
        error.clear();
        const int mover = repeating % 2 == 1 ? 1 : 2;
        v.winner = 3 - mover;
        v.ply = repeating;
        v.repetition = true;
        v.text = std::string(sideName(v.winner)) + " has won at ply " + std::to_string(v.ply) +
                 ": " + sideName(mover) + "'s move " + moveText(record.moves[repeating - 1]) +
                 " repeats a position";
        return true;
    }
    if (!error.empty()) return false;
    v.straightsX = judge->straights(1);
    v.straightsO = judge->straights(2);
    if (v.straightsX != v.straightsO) {
        v.winner = v.straightsX > v.straightsO ? 1 : 2;
        v.ply = record.moves.size();
        v.text = std::string(sideName(v.winner)) + " has won at ply " + std::to_string(v.ply) +
                 ": straights X " + std::to_string(v.straightsX) + ", O " +
                 std::to_string(v.straightsO);
    }
    return true;
}

}  // namespace analyze
