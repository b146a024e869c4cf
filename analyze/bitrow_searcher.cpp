// The bit-row engine through its width-neutral handle.
#include <chrono>
#include <cstdio>

#include "analyze/searcher.h"
#include "bitrow/tool_handle.h"
#include "common/alarm.h"

namespace analyze {

namespace {

// The search in progress, and the engine's calls of search before its last iteration.
struct Running : SearchRun {
    const bitrow::ToolHandle* engine = nullptr;
    std::uint64_t callsBefore = 0;
};
Running* running = nullptr;

void observe(int depth, std::int32_t score, bitrow::MoveIndex move, bool complete) {
    Running& r = *running;
    Iteration it;
    it.depth = depth;
    it.score = score;
    it.nodes = *r.engine->searchCalls - r.callsBefore;
    r.callsBefore = *r.engine->searchCalls;
    it.micros = r.micros();
    it.move = r.engine->moveName(move);
    it.end = complete ? Iteration::End::Complete : Iteration::End::TimeUp;
    if (r.sink) r.sink->iteration(it);
}

class BitRowSearcher : public Searcher {
  public:
    explicit BitRowSearcher(const bitrow::ToolHandle* e) : engine(e) {}

    std::string name() const override { return "bitrow" + std::to_string(engine->width); }

    std::string load(const Record& record) override {
        engine->reset();
        engine->startGame(record.size);
        // The engine replays from a stream, exactly as the player reads its input.
        std::string text = recordText(record);
        std::FILE* in = fmemopen(text.data(), text.size(), "r");
        if (!in) return "cannot replay the record";
        const bool sameSize = engine->readSize(in) == record.size;
        const bitrow::Replay replayed = sameSize ? engine->replay(in) : bitrow::Replay::Ok;
        std::fclose(in);
        if (!sameSize) return "cannot replay the record";
        switch (replayed) {
            case bitrow::Replay::Ok:
                return "";
            case bitrow::Replay::Repetition:
                return "the game repeats a position";
            case bitrow::Replay::TooLong:
                return "game record too long";
        }
        return "cannot replay the record";
    }

    int size() const override { return engine->boardSize(); }
    int cell(int row, int col) const override { return engine->cell(row, col); }
    int toMove() const override { return engine->histCount() % 2 == 1 ? 1 : 2; }

    std::string search(const Limits& limits, IterationSink* sink) override {
        const SearchSettings<bitrow::ToolHandle> settings(*engine, limits.depth, observe);
        Running r;
        r.sink = sink;
        r.engine = engine;
        r.callsBefore = *engine->searchCalls;
        running = &r;
        startClock(limits);
        r.start = std::chrono::steady_clock::now();
        bitrow::Score score;
        const bitrow::MoveIndex best = engine->deepen(&score);
        if (!limits.untimed) posixkit::disarmAlarm();
        running = nullptr;
        return engine->moveName(best);
    }

  private:
    // The engine's own timer for the budget of the limits, or none for an untimed search.
    void startClock(const Limits& limits) {
        if (limits.untimed) {
            *engine->timeUp = 0;
            return;
        }
        // The alarm may arrive blocked from the parent; it must be able to end the search.
        posixkit::unblockAlarm();
        const long micros =
            limits.seconds > 0 ? static_cast<long>(limits.seconds * 1e6) : engine->turnBudgetMicros;
        engine->armTimer(micros > 0 ? micros : 1);
    }

    const bitrow::ToolHandle* engine;
};

}  // namespace

std::unique_ptr<Searcher> makeBitRowSearcher(int width, int n, std::string& error) {
    const bitrow::ToolHandle* e = nullptr;
    if (width == 0) {
        e = bitrow::handleFor(n);
        if (!e) error = "the bit-row engine plays N from 1 to 20, not " + std::to_string(n);
    } else {
        e = bitrow::handleForWidth(width);
        if (!e) {
            error = "--width must be 8, 16 or 32";
        } else if (n < 1 || n > e->rowLimit) {
            error = "the " + std::to_string(width) + "-bit build plays N from 1 to " +
                    std::to_string(e->rowLimit) + ", not " + std::to_string(n);
            e = nullptr;
        }
    }
    if (!e) return nullptr;
    return std::make_unique<BitRowSearcher>(e);
}

}  // namespace analyze
