// The byte-board engine through its size-neutral handle.
//
// Its search never looks at a clock; the players end it from the alarm handler, which
// answers and ends the process. The analyser does the same with a handler of its own: the
// observer prints each iteration's line with the alarm blocked, so when the alarm comes
// every line so far is out, and the handler writes the last completed iteration's move
// (the engine's bestdir / bestpos) with write(2) and calls _exit(0).
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "analyze/searcher.h"
#include "byteboard/api.h"

namespace analyze {

namespace {

// The players' default limit.
constexpr double playerBudgetSeconds = 28;
// The deepening's own last depth.
constexpr int engineLastDepth = 999;

struct Running {
    const byteboard::Engine* engine;
    IterationSink* sink;
    std::chrono::steady_clock::time_point start;
};
Running* running = nullptr;

// What the handler writes before the move, fixed before the timer starts.
char answerPrefix[64];
std::size_t answerPrefixLength = 0;
const byteboard::Engine* answering = nullptr;

void writeAll(const char* buf, std::size_t len) {
    while (len > 0) {
        const ssize_t n = write(STDOUT_FILENO, buf, len);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        buf += n;
        len -= static_cast<std::size_t>(n);
    }
}

// Async-signal-safe: the last completed iteration's move, then the end of the process.
[[noreturn]] void answerAndExit() {
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    sigprocmask(SIG_BLOCK, &alarm, nullptr);
    char line[sizeof answerPrefix + 16];
    std::memcpy(line, answerPrefix, answerPrefixLength);
    const int len = answering->formatanswer(*answering->bestdir, *answering->bestpos,
                                            line + answerPrefixLength);
    writeAll(line, answerPrefixLength + static_cast<std::size_t>(len));
    _exit(0);
}

void onAlarm(int) {
    answerAndExit();
}

void observe(const byteboard::IterationReport& report) {
    Running& r = *running;
    Iteration it;
    it.depth = report.depth;
    it.score = report.value;
    it.nodes = static_cast<std::uint64_t>(report.nodes);
    it.micros = std::chrono::duration_cast<std::chrono::microseconds>(
                    std::chrono::steady_clock::now() - r.start)
                    .count();
    char buf[16];
    const int len = r.engine->formatanswer(report.dir, report.pos, buf);
    it.move.assign(buf, static_cast<std::size_t>(len - 1));  // without the line end
    it.end = report.forcedwin ? Iteration::End::ForcedWin : Iteration::End::Complete;
    if (!r.sink) return;
    // The line goes out whole before the alarm can answer.
    sigset_t alarm, old;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    sigprocmask(SIG_BLOCK, &alarm, &old);
    r.sink->iteration(it);
    sigprocmask(SIG_SETMASK, &old, nullptr);
}

class ByteBoardSearcher : public Searcher {
  public:
    explicit ByteBoardSearcher(const byteboard::Engine* e) : engine(e) {}

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
        const std::int32_t savedDepth = *engine->maxdepth;
        *engine->maxdepth = limits.depth > 0 ? limits.depth : engineLastDepth;
        Running r{engine, sink, {}};
        running = &r;
        *engine->observer = observe;

        // The handler's answer is fixed before anything can call it.
        answering = engine;
        answerPrefixLength = std::min(limits.timeoutPrefix.size(), sizeof answerPrefix);
        std::memcpy(answerPrefix, limits.timeoutPrefix.data(), answerPrefixLength);
        void (*savedGrowFailed)() = *engine->growfailed;
        *engine->growfailed = answerAndExit;  // out of memory: the best move so far

        sigset_t alarm;
        sigemptyset(&alarm);
        sigaddset(&alarm, SIGALRM);
        if (!limits.untimed) {
            struct sigaction action = {};
            action.sa_handler = onAlarm;
            sigemptyset(&action.sa_mask);
            sigaction(SIGALRM, &action, nullptr);
            sigprocmask(SIG_UNBLOCK, &alarm, nullptr);
            const double seconds = limits.seconds > 0 ? limits.seconds : playerBudgetSeconds;
            const auto micros = static_cast<long long>(seconds * 1e6);
            itimerval budget{};
            budget.it_value.tv_sec = static_cast<time_t>(micros / 1000000);
            budget.it_value.tv_usec = static_cast<suseconds_t>(micros % 1000000);
            if (budget.it_value.tv_sec == 0 && budget.it_value.tv_usec == 0)
                budget.it_value.tv_usec = 1;
            setitimer(ITIMER_REAL, &budget, nullptr);
        }
        r.start = std::chrono::steady_clock::now();
        engine->computemove(player);
        if (!limits.untimed) {
            // From here on the normal path answers; the alarm must not answer a second time.
            sigprocmask(SIG_BLOCK, &alarm, nullptr);
            itimerval off{};
            setitimer(ITIMER_REAL, &off, nullptr);
            // Ignoring discards an alarm that came after the search; then it may be unblocked.
            signal(SIGALRM, SIG_IGN);
            sigprocmask(SIG_UNBLOCK, &alarm, nullptr);
        }
        *engine->growfailed = savedGrowFailed;
        *engine->observer = nullptr;
        *engine->maxdepth = savedDepth;
        running = nullptr;
        char buf[16];
        const int len = engine->formatanswer(*engine->bestdir, *engine->bestpos, buf);
        return std::string(buf, static_cast<std::size_t>(len - 1));
    }

  private:
    const byteboard::Engine* engine;
    std::int32_t player = 1;
};

}  // namespace

std::unique_ptr<Searcher> makeByteBoardSearcher(int n, std::string& error) {
    const byteboard::Engine* e = byteboard::engineFor(n);
    if (!e) {
        error = "the byte-board engine plays N = 6 or 7, not " + std::to_string(n);
        return nullptr;
    }
    return std::make_unique<ByteBoardSearcher>(e);
}

}  // namespace analyze
