// The byte-board engine through its size-neutral handle.
//
// Its search never looks at a clock; the players end it from the alarm handler, which
// answers and ends the process. The analyser does the same with a handler of its own: the
// observer prints each iteration's line with the alarm blocked, so when the alarm comes
// every line so far is out, and the handler writes the last completed iteration's move
// (the engine's bestdir / bestpos) with write(2) and calls _exit(0).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "analyze/searcher.h"
#include "byteboard/tool_handle.h"
#include "common/alarm.h"
#include "common/write_all.h"

namespace analyze {

namespace {

// The search in progress.
struct Running : SearchRun {
    const byteboard::ToolHandle* engine = nullptr;
};
Running* running = nullptr;

// What the handler writes before the move, fixed before the timer starts.
char answerPrefix[64];
std::size_t answerPrefixLength = 0;
const byteboard::ToolHandle* answering = nullptr;

// Async-signal-safe: the last completed iteration's move, then the end of the process.
[[noreturn]] void answerAndExit() {
    posixkit::blockAlarm();
    char line[sizeof answerPrefix + byteboard::answerbytes];
    std::memcpy(line, answerPrefix, answerPrefixLength);
    const int len = answering->formatanswer(*answering->bestdir, *answering->bestpos,
                                            line + answerPrefixLength);
    posixkit::writeAll(STDOUT_FILENO, line, answerPrefixLength + static_cast<std::size_t>(len));
    _exit(0);
}

void onAlarm(int) {
    answerAndExit();
}

// Fixes what the handler answers with for the engine being searched, before anything can
// call it.
void prepareAnswer(const std::string& prefix) {
    answering = running->engine;
    answerPrefixLength = std::min(prefix.size(), sizeof answerPrefix);
    std::memcpy(answerPrefix, prefix.data(), answerPrefixLength);
}

// The turn's alarm: after seconds the handler answers the last completed iteration's move.
void startAlarm(double seconds) {
    posixkit::setAlarmHandler(onAlarm);
    posixkit::unblockAlarm();
    posixkit::armAlarm(static_cast<long long>(seconds * 1e6));
}

// From here on the normal path answers; the alarm must not answer a second time.
void stopAlarm() {
    posixkit::blockAlarm();
    posixkit::disarmAlarm();
    // Ignoring discards an alarm that came after the search; then it may be unblocked.
    posixkit::ignoreAlarm();
    posixkit::unblockAlarm();
}

void observe(const byteboard::IterationReport& report) {
    Running& r = *running;
    Iteration it;
    it.depth = report.depth;
    it.score = report.value;
    it.nodes = static_cast<std::uint64_t>(report.nodes);
    it.micros = r.micros();
    char buf[byteboard::answerbytes];
    const int len = r.engine->formatanswer(report.dir, report.pos, buf);
    it.move.assign(buf, static_cast<std::size_t>(len - 1));  // without the line end
    it.end = report.forcedwin ? Iteration::End::ForcedWin : Iteration::End::Complete;
    if (!r.sink) return;
    // The line goes out whole before the alarm can answer.
    posixkit::AlarmBlocked blocked;
    r.sink->iteration(it);
}

class ByteBoardSearcher : public Searcher {
  public:
    explicit ByteBoardSearcher(const byteboard::ToolHandle* e) : engine(e) {}

    std::string name() const override { return "byteboard"; }

    std::string load(const Record& record) override {
        if (!engine->reset()) return "out of memory";
        std::string sides;
        std::vector<int> numbers;
        for (const Move& m : record.moves) {
            sides += m.side;
            numbers.push_back(m.number);
        }
        player = engine->replay(sides.data(), numbers.data(), static_cast<int>(numbers.size()));
        return "";
    }

    int size() const override { return engine->size; }
    int cell(int row, int col) const override { return engine->cell(row, col); }
    int toMove() const override { return player; }

    std::string search(const Limits& limits, IterationSink* sink) override {
        const SearchSettings<byteboard::ToolHandle> settings(*engine, limits.depth, observe);
        Running r;
        r.sink = sink;
        r.engine = engine;
        running = &r;
        prepareAnswer(limits.timeoutPrefix);
        void (*savedGrowFailed)() = *engine->growfailed;
        *engine->growfailed = answerAndExit;  // out of memory: the best move so far

        if (!limits.untimed)
            startAlarm(limits.seconds > 0 ? limits.seconds : byteboard::budgetseconds);
        r.start = std::chrono::steady_clock::now();
        engine->computemove(player);
        if (!limits.untimed) stopAlarm();

        *engine->growfailed = savedGrowFailed;
        running = nullptr;
        char buf[byteboard::answerbytes];
        const int len = engine->formatanswer(*engine->bestdir, *engine->bestpos, buf);
        return std::string(buf, static_cast<std::size_t>(len - 1));
    }

  private:
    const byteboard::ToolHandle* engine;
    std::int32_t player = 1;
};

}  // namespace

std::unique_ptr<Searcher> makeByteBoardSearcher(int n, std::string& error) {
    const byteboard::ToolHandle* e = byteboard::handleFor(n);
    if (!e) {
        error = "the byte-board engine plays N = 6 or 7, not " + std::to_string(n);
        return nullptr;
    }
    return std::make_unique<ByteBoardSearcher>(e);
}

}  // namespace analyze
