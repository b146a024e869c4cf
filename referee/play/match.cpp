#include "referee/play/match.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

#include "common/write_all.h"
#include "referee/play/schedule.h"
#include "referee/play/settings.h"
#include "referee/play/stop_guard.h"
#include "referee/players/probe.h"
#include "referee/players/process.h"
#include "referee/records/counts.h"
#include "referee/records/files.h"
#include "referee/text/escape.h"

namespace referee {

namespace {

// One run of a match: the games of this shard that are still to play, played by `jobs`
// threads that share the output, the finished games and the sequential test.
class MatchRun {
  public:
    MatchRun(const MatchConfig& c, const RunHooks& hooks, std::ostream& out, std::ostream& progress)
        : c(c), hooks(hooks), out(out), progress(progress), settings(matchSettings(c)) {
        for (int g = 0; g < c.games; g++) planned += inShard(c, g);
    }
    ~MatchRun() {
        if (fd >= 0) close(fd);
    }
    MatchRun(const MatchRun&) = delete;
    MatchRun& operator=(const MatchRun&) = delete;

    // Step 1: the games already in the output file (with --resume), and the file opened
    // for appending, its unfinished tail cut off. False when the run cannot go on.
    bool openOutput();
    // Step 2: what is left to play, and whether the test has already decided.
    void planGames();
    // Step 3: every player answers a first move (unless --no-check). False when one fails.
    bool checkPlayers();
    // Step 4: the games, on c.jobs threads.
    void playAll();
    // Step 5: the closing table and the exit status.
    int finish();
    // Held while a record is stored.
    std::timed_mutex& writing() { return lock; }

  private:
    GameSetup setupOf(int game, const Pairing& p) const;
    void worker();
    // Under the lock: stores a finished game. False when the output cannot be written.
    bool store(const GameRecord& r);
    // Under the lock, after a game was stored: the test's decision, then the hook.
    void reportStored(const GameRecord& r);

    const MatchConfig& c;
    const RunHooks& hooks;
    std::ostream& out;
    std::ostream& progress;
    const Settings settings;
    int planned = 0;  // games of this shard
    int fd = -1;      // the output file, or -1 for standard output
    std::vector<GameRecord> finished;
    std::set<int> done;     // game numbers read back from the output
    std::vector<int> todo;  // game numbers to play, in order
    std::atomic<size_t> next{0};
    std::timed_mutex lock;  // guards everything below, the output and `finished`
    bool failed = false;
    SprtVerdict verdict = SprtVerdict::Continue;
    std::optional<SprtCourse> test;  // followed in the order the games were stored
    std::atomic<bool> decided{false};
    // A shard sees only its own games, so the test cannot decide there: a shard plays all
    // of them and the tally of all shards gives the test's state.
    const bool sprtStops = c.sprt && c.shards <= 1;
    int playedHere = 0;
    std::chrono::steady_clock::time_point started;
};

bool MatchRun::openOutput() {
    if (c.output.empty()) return true;
    const FileRead read = readWholeFile(c.output, kRecordFileLimit);
    if (!read.error.empty() && !read.missing) {
        progress << "referee: " << read.error << "\n";
        return false;
    }
    const std::string& text = read.text;
    if (!text.empty() && !c.resume) {
        progress << "referee: " << c.output << " already holds games; --resume continues it\n";
        return false;
    }
    RecordFile file = parseRecords(text);
    for (const GameRecord& r : file.records) {
        if (!r.complete) continue;
        if (auto wrong = checkRecord(c, r)) {
            progress << "referee: " << c.output << " is not this match's output: " << *wrong
                     << "\n";
            return false;
        }
        if (auto differ = settingsDiffer(r.settings, settings)) {
            progress << "referee: " << c.output << " was played with other settings (" << *differ
                     << "); use the same options, or another --output\n";
            return false;
        }
        if (!done.insert(r.game).second) {
            progress << "referee: " << c.output << " holds game " << r.game << " twice\n";
            return false;
        }
        finished.push_back(r);
    }
    fd = open(c.output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0644);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        progress << "referee: cannot write " << c.output << ": "
                 << (fd < 0 ? std::strerror(errno) : "not a regular file") << "\n";
        return false;
    }
    if (file.goodBytes < text.size()) {
        // A record cut short when the last run was stopped: drop it, it is played again.
        progress << "referee: dropping " << text.size() - file.goodBytes
                 << " bytes of unfinished output at the end of " << c.output << "\n";
        if (ftruncate(fd, static_cast<off_t>(file.goodBytes)) != 0) {
            progress << "referee: cannot shorten " << c.output << "\n";
            return false;
        }
    }
    if (!finished.empty())
        progress << "referee: resuming, " << finished.size() << " of " << planned
                 << " games done\n";
    return true;
}

void MatchRun::planGames() {
    for (int g = 0; g < c.games; g++)
        if (inShard(c, g) && !done.count(g)) todo.push_back(g);
    if (sprtStops) {
        // A resumed match the test has already decided plays no further games.
        test.emplace(*c.sprt, c.a.name);
        for (const GameRecord& r : finished) test->add(r);
        verdict = test->verdict();
        decided = verdict != SprtVerdict::Continue;
    }
}

bool MatchRun::checkPlayers() {
    if (!c.check || todo.empty() || decided) return true;
    std::vector<const PlayerSetup*> all = entrants(c);
    const size_t positions = probePositions(c.size).size();
    double most = 0;  // every player thinks its full time on every position
    for (const PlayerSetup* p : all) most += positions * p->time;
    char line[256];
    snprintf(line, sizeof line,
             "referee: checking %zu players on %zu probe positions before the first game, each "
             "with its own protocol and time (up to %.0f s; --no-check skips this)\n",
             all.size(), positions, most);
    progress << line << std::flush;
    for (size_t i = 0; i < all.size(); i++) {
        const PlayerSetup* p = all[i];
        char side = c.event == Event::Match ? (i == 0 ? 'a' : 'b') : 0;
        if (auto wrong = probePlayer(*p, c.size, c.margin, side)) {
            progress << "referee: " << escape(p->name, 60) << " failed the check before the "
                     << "first game: " << *wrong << "\n(--no-check skips this check)\n";
            return false;
        }
        if (stopRequested()) break;
    }
    return true;
}

GameSetup MatchRun::setupOf(int game, const Pairing& p) const {
    GameSetup s;
    s.size = c.size;
    s.opening = c.openings[p.opening];
    s.game = game;
    s.openingIndex = p.opening;
    std::vector<const PlayerSetup*> all = entrants(c);
    s.x = all[p.aIsX ? p.first : p.second];
    s.o = all[p.aIsX ? p.second : p.first];
    s.maxPlies = c.maxPlies;
    s.margin = c.margin;
    s.settings = &settings;
    return s;
}

bool MatchRun::store(const GameRecord& r) {
    const std::string text = formatRecord(r);
    if (fd >= 0) {
        if (!posixkit::writeAll(fd, text.data(), text.size())) {
            progress << "referee: cannot write " << c.output << ": " << std::strerror(errno)
                     << "\n";
            return false;
        }
    } else {
        out << text << std::flush;
    }
    finished.push_back(r);
    playedHere++;
    return true;
}

void MatchRun::reportStored(const GameRecord& r) {
    bool decidedNow = false;
    if (test) {
        test->add(r);
        if (!decided && test->verdict() != SprtVerdict::Continue) {
            verdict = test->verdict();
            decided = decidedNow = true;
        }
    }
    if (!hooks.stored) return;
    int left = planned - static_cast<int>(finished.size());
    if (decided) {
        // Games already started finish; no new ones start.
        left = static_cast<int>(std::min(next.load(), todo.size())) - playedHere;
    }
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    hooks.stored({finished, r, planned, left, playedHere > 0 ? secs / playedHere * left : 0.0,
                  verdict, decidedNow});
}

void MatchRun::worker() {
    for (;;) {
        if (decided) return;
        size_t i = next++;
        if (i >= todo.size() || stopRequested()) return;
        const int g = todo[i];
        GameSetup s = setupOf(g, pairing(c, g));
        if (hooks.started) {
            std::lock_guard<std::timed_mutex> hold(lock);
            hooks.started(s);
        }
        if (c.show && hooks.show) {
            s.show = [this](const GameEvent& e) {
                std::lock_guard<std::timed_mutex> hold(lock);
                hooks.show(e);
            };
        }
        std::optional<GameRecord> r = playGame(s);
        if (!r) return;
        std::lock_guard<std::timed_mutex> hold(lock);
        if (!store(*r)) {
            failed = true;
            requestStop();
            return;
        }
        reportStored(*r);
    }
}

void MatchRun::playAll() {
    started = std::chrono::steady_clock::now();
    int jobs = c.jobs < 1 ? 1 : c.jobs;
    std::vector<std::thread> threads;
    for (int j = 1; j < jobs && j < static_cast<int>(todo.size()); j++)
        threads.emplace_back([this] { worker(); });
    worker();
    for (std::thread& t : threads) t.join();
    if (fd >= 0) close(fd);
    fd = -1;
}

int MatchRun::finish() {
    if (hooks.done) hooks.done(finished, verdict);
    if (decided) {
        // Games already started when the test decided are finished and recorded, but the
        // decision came after decidedAfter() of them.
        const int after = test->decidedAfter(), more = static_cast<int>(finished.size()) - after;
        progress << "referee: " << sprtVerdictText(verdict) << " after " << after << " games";
        if (more > 0)
            progress << " (" << more << " more already started " << (more == 1 ? "was" : "were")
                     << " finished)";
        progress << "\n";
    }
    if (failed) return 1;
    if (stopRequested()) {
        progress << "referee: stopped; " << finished.size() << " of " << planned
                 << " games done, --resume continues\n";
        return 130;
    }
    return 0;
}

}  // namespace

int runMatch(const MatchConfig& c, const RunHooks& hooks, std::ostream& out,
             std::ostream& progress) {
    MatchRun run(c, hooks, out, progress);
    if (!run.openOutput()) return 1;
    run.planGames();
    StopGuard guard(run.writing());
    if (!run.checkPlayers()) return 1;
    run.playAll();
    return run.finish();
}

}  // namespace referee
