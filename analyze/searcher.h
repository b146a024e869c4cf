// What the analyser asks of an engine: take a position, show it, search it under limits
// and report every iteration. One implementation per engine drives the engine's own code.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "analyze/record.h"

namespace analyze {

struct Limits {
    int depth = 0;         // last iteration; 0: the engine's own
    double seconds = 0;    // budget; 0: the engine's own
    bool untimed = false;  // no timer at all (the bench)
    // The byte-board search never looks at a clock: when its time is up the process writes
    // this prefix and the last completed iteration's move as one line and ends, status 0.
    std::string timeoutPrefix = "bestmove ";
};

// One iteration of the deepening as the analyser reports it.
struct Iteration {
    enum class End { Complete, ForcedWin, TimeUp };
    int depth = 0;
    std::int64_t score = 0;  // the engine's own scale
    std::uint64_t nodes = 0;
    std::int64_t micros = 0;  // since the search started
    std::string move;
    End end = End::Complete;
};

// Receives the iterations while the search runs.
class IterationSink {
  public:
    virtual ~IterationSink() = default;
    virtual void iteration(const Iteration& it) = 0;
};

// What a searcher keeps while its engine searches: where the lines go (null: nowhere) and
// when the search began. The engines' observers are plain functions, so each searcher
// points a file-level pointer at one of these (extended with its engine's handle).
struct SearchRun {
    IterationSink* sink = nullptr;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    // Microseconds since start.
    std::int64_t micros() const {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now() - start)
            .count();
    }
};

// One search's settings on an engine's tool handle, put back when it ends: the depth limit
// (the limits' depth, or the engine's own last depth) and the iteration observer. Both
// engines' handles name these alike (depthLimit, lastDepth, observer).
template <class Handle>
class SearchSettings {
  public:
    template <class Observer>
    SearchSettings(const Handle& handle, int depth, Observer observe)
        : h(handle), savedLimit(*handle.depthLimit) {
        *h.depthLimit = depth > 0 ? depth : h.lastDepth;
        *h.observer = observe;
    }
    ~SearchSettings() {
        *h.observer = nullptr;
        *h.depthLimit = savedLimit;
    }
    SearchSettings(const SearchSettings&) = delete;
    SearchSettings& operator=(const SearchSettings&) = delete;

  private:
    const Handle& h;
    std::remove_reference_t<decltype(*std::declval<const Handle&>().depthLimit)> savedLimit;
};

class Searcher {
  public:
    virtual ~Searcher() = default;
    // "bitrow8", "bitrow16", "bitrow32", "byteboard".
    virtual std::string name() const = 0;
    // Fresh engine state, then the record's moves; an error message, or empty.
    virtual std::string load(const Record& record) = 0;
    virtual int size() const = 0;
    virtual int cell(int row, int col) const = 0;  // 0 empty, 1 X, 2 O; 0-based
    virtual int toMove() const = 0;                // 1 X, 2 O
    // Searches the loaded position; the answer, as the engine's player would give it.
    virtual std::string search(const Limits& limits, IterationSink* sink) = 0;
    // Lines the move fills for player 1 or 2 in the current position.
    int straights(int player) const;
};

enum class EngineKind { BitRow, ByteBoard };

// The searcher for N: the bit-row build of the given width (0: the narrowest that plays N)
// or the byte-board build for N. Null with a message in error when there is none.
std::unique_ptr<Searcher> makeSearcher(EngineKind kind, int width, int n, std::string& error);

}  // namespace analyze
