#include "referee/match.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "common/write_all.h"
#include "referee/elo.h"
#include "referee/escape.h"
#include "referee/game.h"
#include "referee/probe.h"
#include "referee/process.h"
#include "referee/settings.h"

namespace referee {

std::vector<const PlayerSetup*> entrants(const MatchConfig& c) {
    std::vector<const PlayerSetup*> all;
    if (c.event == Event::Match) return {&c.a, &c.b};
    for (const PlayerSetup& p : c.field) all.push_back(&p);
    return all;
}

Pairing pairing(const MatchConfig& c, int game) {
    int count = c.openings.empty() ? 1 : static_cast<int>(c.openings.size());
    if (c.event == Event::Match || c.perPair < 1) return {(game / 2) % count, game % 2 == 0};
    int w = game % c.perPair;
    auto [first, second] = pairAt(c.event, static_cast<int>(c.field.size()), game / c.perPair);
    return {(w / 2) % count, w % 2 == 0, first, second};
}

std::optional<std::string> checkRecord(const MatchConfig& c, const GameRecord& r) {
    if (r.game < 0 || r.game >= c.games)
        return "game " + std::to_string(r.game) + " is not one of this match";
    if (!inShard(c, r.game))
        return "game " + std::to_string(r.game) + " is not one of shard " +
               std::to_string(c.shard) + "/" + std::to_string(c.shards);
    Pairing p = pairing(c, r.game);
    std::vector<const PlayerSetup*> all = entrants(c);
    const PlayerSetup& x = *all[p.aIsX ? p.first : p.second];
    const PlayerSetup& o = *all[p.aIsX ? p.second : p.first];
    std::string g = "game " + std::to_string(r.game);
    if (r.x != x.name || r.o != o.name)
        return g + " was " + escape(r.x) + " against " + escape(r.o) + ", not " + escape(x.name) +
               " against " + escape(o.name);
    if (r.size != c.size) return g + " is for another board size";
    const Opening& open = c.openings[p.opening];
    if (r.opening != p.opening || r.openingPlies != static_cast<int>(open.size()) ||
        r.moves.size() < open.size() || !std::equal(open.begin(), open.end(), r.moves.begin()))
        return g + " started from another opening";
    return std::nullopt;
}

std::optional<std::string> repeatedGames(const MatchConfig& c) {
    // Equal openings count as one: a file may hold the same opening twice, and short
    // random openings on small boards run out of distinct ones.
    std::map<std::string, int> firstOf;
    std::vector<int> canonical;
    for (size_t i = 0; i < c.openings.size(); i++) {
        std::string key;
        for (const model::Move& m : c.openings[i]) key += model::moveName(m) + " ";
        canonical.push_back(firstOf.emplace(key, static_cast<int>(i)).first->second);
    }
    std::map<std::pair<int, bool>, int> seen;
    // Every pair of a tournament plays the same games, so the first pair's are checked.
    const int games = c.event == Event::Match ? c.games : c.perPair;
    for (int g = 0; g < games; g++) {
        Pairing p = pairing(c, g);
        auto [at, fresh] = seen.emplace(std::pair{canonical[p.opening], p.aIsX}, g);
        if (!fresh)
            return "game " + std::to_string(g) + " would start like game " +
                   std::to_string(at->second) +
                   " (same opening, same colours): deterministic players would replay it. " +
                   std::to_string(games) + " games need " + std::to_string((games + 1) / 2) +
                   " distinct openings; give more openings or fewer --games, or --allow-repeats";
    }
    return std::nullopt;
}

Tally tally(const std::vector<GameRecord>& records, const std::string& name) {
    Tally t;
    for (const GameRecord& r : records) {
        bool isX = r.x == name, isO = r.o == name;
        if (!isX && !isO) continue;
        Wdl& colour = isX ? t.asX : t.asO;
        if (r.winner == Winner::None) {
            t.draws++;
            colour.draws++;
        } else if ((r.winner == Winner::X) == isX) {
            t.wins++;
            colour.wins++;
        } else {
            t.losses++;
            colour.losses++;
            t.lostBy[static_cast<int>(r.loss)]++;
        }
    }
    return t;
}

Pentanomial pairCounts(const std::vector<GameRecord>& records, const std::string& name) {
    // Half points of `name` per pair, and how many of the pair's games were seen.
    std::map<int, std::pair<int, int>> pairs;
    for (const GameRecord& r : records) {
        bool isX = r.x == name, isO = r.o == name;
        if ((!isX && !isO) || r.game < 0) continue;
        int half = r.winner == Winner::None ? 1 : (r.winner == Winner::X) == isX ? 2 : 0;
        auto& [points, games] = pairs[r.game / 2];
        points += half;
        games++;
    }
    Pentanomial p;
    for (const auto& [pair, pg] : pairs)
        if (pg.second == 2) p.n[pg.first]++;
    return p;
}

MoveTimes moveTimes(const std::vector<GameRecord>& records, const PlayerSetup& p) {
    MoveTimes t;
    double sum = 0;
    for (const GameRecord& r : records) {
        for (size_t i = 0; i < r.moveTimes.size(); i++) {
            double s = r.moveTimes[i];
            const std::string& mover = i % 2 == 0 ? r.x : r.o;  // X makes the even plies
            if (s < 0 || mover != p.name) continue;
            sum += s;
            if (t.moves == 0 || s > t.slowest) t.slowest = s;
            t.moves++;
        }
    }
    if (t.moves > 0) {
        t.mean = sum / t.moves;
        t.leastLeft = p.time - t.slowest;
    }
    return t;
}

namespace {

std::string eloText(const Wdl& w) {
    EloEstimate e = estimateElo(w.wins, w.draws, w.losses);
    if (!e.valid) return "-";
    return formatElo(e.elo) + " [" + formatElo(e.low) + ", " + formatElo(e.high) + "]";
}

std::string wdlRow(const std::string& label, const Wdl& w) {
    char buf[512];
    snprintf(buf, sizeof buf, "%-18s %5d %5d %5d %7.1f/%-5d %5.1f%%  %-22s %5.1f%%\n",
             label.c_str(), w.wins, w.draws, w.losses, w.points(), w.games(), 100 * drawRatio(w),
             eloText(w).c_str(), 100 * likelihoodOfSuperiority(w));
    return buf;
}

std::string sprtText(const SprtSettings& s, double llr) {
    char buf[128];
    snprintf(buf, sizeof buf, "LLR %.2f [%.2f, %.2f]", llr, s.lowerBound(), s.upperBound());
    return buf;
}

}  // namespace

std::string summaryText(const MatchConfig& c, const std::vector<GameRecord>& records,
                        SprtVerdict verdict) {
    if (c.event != Event::Match) {
        std::vector<std::string> names;
        for (const PlayerSetup* p : entrants(c)) names.push_back(p->name);
        return tournamentText(c.event, c.size, names, c.anchor, records);
    }
    std::string text;
    char buf[512];
    snprintf(buf, sizeof buf, "%d game%s, N = %d\n", static_cast<int>(records.size()),
             records.size() == 1 ? "" : "s", c.size);
    text += buf;
    snprintf(buf, sizeof buf, "%-18s %5s %5s %5s %13s %6s  %-22s %6s\n", "player", "wins", "draws",
             "losses", "score", "draws", "Elo [95%]", "LOS");
    text += buf;
    for (const PlayerSetup* p : {&c.a, &c.b}) {
        Tally t = tally(records, p->name);
        text += wdlRow(escape(p->name, 18), t.wdl());
        text += wdlRow("  as X", t.asX);
        text += wdlRow("  as O", t.asO);
    }
    for (const PlayerSetup* p : {&c.a, &c.b}) {
        Tally t = tally(records, p->name);
        snprintf(buf, sizeof buf,
                 "%s lost by time %d, crash %d, illegal %d, repetition %d, straights %d\n",
                 escape(p->name, 40).c_str(), t.lostBy[static_cast<int>(Loss::Time)],
                 t.lostBy[static_cast<int>(Loss::Crash)], t.lostBy[static_cast<int>(Loss::Illegal)],
                 t.lostBy[static_cast<int>(Loss::Repetition)],
                 t.lostBy[static_cast<int>(Loss::Straights)]);
        text += buf;
    }
    Pentanomial pc = pairCounts(records, c.a.name);
    NormalizedElo ne = normalizedElo(pc);
    snprintf(
        buf, sizeof buf,
        "pairs: %d; %s's points per pair 0: %d, 1/2: %d, 1: %d, 3/2: %d, 2: %d; "
        "normalised Elo %s\n",
        pc.pairs(), escape(c.a.name, 40).c_str(), pc.n[0], pc.n[1], pc.n[2], pc.n[3], pc.n[4],
        ne.valid ? (formatElo(ne.elo) + " +- " + formatElo(ne.margin).substr(1)).c_str() : "-");
    text += buf;
    if (c.sprt) {
        const SprtSettings& s = *c.sprt;
        snprintf(buf, sizeof buf,
                 "SPRT on normalised Elo, elo0 %g, elo1 %g, alpha %g, beta %g: %s: %s\n", s.elo0,
                 s.elo1, s.alpha, s.beta, sprtText(s, sprtLlr(s, pc)).c_str(),
                 verdict == SprtVerdict::AcceptH1   ? "H1 accepted"
                 : verdict == SprtVerdict::AcceptH0 ? "H0 accepted"
                                                    : "no decision");
        text += buf;
    }
    for (const PlayerSetup* p : {&c.a, &c.b}) {
        MoveTimes m = moveTimes(records, *p);
        if (m.moves == 0) continue;
        snprintf(buf, sizeof buf,
                 "%s move times: %d moves, mean %.3f s, slowest %.3f s, smallest margin left "
                 "%.3f s of %g s\n",
                 escape(p->name, 40).c_str(), m.moves, m.mean, m.slowest, m.leastLeft, p->time);
        text += buf;
    }
    return text;
}

namespace {

// One run of a match: the games of this shard that are still to play, played by `jobs`
// threads that share the output, the finished games and the sequential test.
class MatchRun {
  public:
    MatchRun(const MatchConfig& c, std::ostream& out, std::ostream& progress)
        : c(c), out(out), progress(progress), settings(matchSettings(c)) {
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

  private:
    GameSetup setupOf(int game, const Pairing& p) const;
    void worker();
    // Under the lock: stores a finished game. False when the output cannot be written.
    bool store(const GameRecord& r);
    std::string progressLine(const GameSetup& s, const GameRecord& r);

    const MatchConfig& c;
    std::ostream& out;
    std::ostream& progress;
    const Settings settings;
    int planned = 0;  // games of this shard
    int fd = -1;      // the output file, or -1 for standard output
    std::vector<GameRecord> finished;
    std::set<int> done;     // game numbers read back from the output
    std::vector<int> todo;  // game numbers to play, in order
    std::atomic<size_t> next{0};
    std::mutex lock;  // guards everything below, the output and `finished`
    bool failed = false;
    SprtVerdict verdict = SprtVerdict::Continue;
    std::atomic<bool> decided{false};
    // A shard sees only its own games, so the test cannot decide there: a shard plays all
    // of them and the tally of all shards gives the test's state.
    const bool sprtStops = c.sprt && c.shards <= 1;
    int playedHere = 0;
    std::chrono::steady_clock::time_point started;
};

bool MatchRun::openOutput() {
    if (c.output.empty()) return true;
    const std::string text = readWholeFile(c.output).value_or("");
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
    fd = open(c.output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        progress << "referee: cannot write " << c.output << ": " << std::strerror(errno) << "\n";
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
    if (sprtStops && !finished.empty()) {
        // A resumed match the test has already decided plays no further games.
        verdict = sprtVerdict(*c.sprt, sprtLlr(*c.sprt, pairCounts(finished, c.a.name)));
        decided = verdict != SprtVerdict::Continue;
    }
}

bool MatchRun::checkPlayers() {
    if (!c.check || todo.empty() || decided) return true;
    std::vector<const PlayerSetup*> all = entrants(c);
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
    if (c.afterGame) c.afterGame(finished);
    return true;
}

std::string MatchRun::progressLine(const GameSetup& s, const GameRecord& r) {
    std::string line = "[" + std::to_string(finished.size()) + "/" + std::to_string(planned) +
                       "] game " + std::to_string(s.game) + ", opening " +
                       std::to_string(s.openingIndex) + ": " + escape(s.x->name, 40) + " (X) - " +
                       escape(s.o->name, 40) + " (O) " + resultText(r.winner) + ", " +
                       escape(r.reason, 300);
    char buf[512];
    if (c.event == Event::Match) {
        Tally t = tally(finished, c.a.name);
        EloEstimate e = estimateElo(t.wins, t.draws, t.losses);
        double half = (e.high - e.low) / 2;
        snprintf(buf, sizeof buf, "\n  %s %.1f - %.1f %s, Elo %s +- %s",
                 escape(c.a.name, 40).c_str(), t.score(), t.games() - t.score(),
                 escape(c.b.name, 40).c_str(), formatElo(e.elo).c_str(),
                 std::isfinite(half) ? formatElo(half).substr(1).c_str() : "inf");
        line += buf;
    }
    if (c.sprt) {
        double llr = sprtLlr(*c.sprt, pairCounts(finished, c.a.name));
        line += ", " + sprtText(*c.sprt, llr);
        SprtVerdict now = sprtVerdict(*c.sprt, llr);
        if (sprtStops && now != SprtVerdict::Continue && !decided) {
            verdict = now;
            decided = true;
            line += now == SprtVerdict::AcceptH1 ? ": H1 accepted" : ": H0 accepted";
        }
    }
    int left = planned - static_cast<int>(finished.size());
    if (decided) {
        // Games already started finish; no new ones start.
        left = static_cast<int>(std::min(next.load(), todo.size())) - playedHere;
    }
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    snprintf(buf, sizeof buf, "; %d game%s left, about %.0f s\n", left, left == 1 ? "" : "s",
             playedHere > 0 ? secs / playedHere * left : 0.0);
    return line + buf;
}

void MatchRun::worker() {
    for (;;) {
        if (decided) return;
        size_t i = next++;
        if (i >= todo.size() || stopRequested()) return;
        const int g = todo[i];
        GameSetup s = setupOf(g, pairing(c, g));
        if (c.show) {
            s.show = [this, g](const std::string& board) {
                std::lock_guard<std::mutex> hold(lock);
                if (c.jobs > 1) out << "game " << g << ": ";
                out << board << std::flush;
            };
        }
        std::optional<GameRecord> r = playGame(s);
        if (!r) return;
        std::lock_guard<std::mutex> hold(lock);
        if (!store(*r)) {
            failed = true;
            requestStop();
            return;
        }
        progress << progressLine(s, *r) << std::flush;
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
    // The table does not depend on the order in which games finished.
    std::sort(finished.begin(), finished.end(),
              [](const GameRecord& x, const GameRecord& y) { return x.game < y.game; });
    if (c.afterRun) c.afterRun(finished, verdict);
    out << summaryText(c, finished, verdict) << std::flush;
    if (decided)
        progress << "referee: " << (verdict == SprtVerdict::AcceptH1 ? "H1" : "H0")
                 << " accepted after " << finished.size() << " games\n";
    if (failed) return 1;
    if (stopRequested()) {
        progress << "referee: stopped; " << finished.size() << " of " << planned
                 << " games done, --resume continues\n";
        return 130;
    }
    return 0;
}

}  // namespace

int runMatch(const MatchConfig& c, std::ostream& out, std::ostream& progress) {
    MatchRun run(c, out, progress);
    if (!run.openOutput()) return 1;
    run.planGames();
    if (!run.checkPlayers()) return 1;
    run.playAll();
    return run.finish();
}

}  // namespace referee
