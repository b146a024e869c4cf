#include "referee/match.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "referee/elo.h"
#include "referee/game.h"
#include "referee/process.h"

namespace referee {

Pairing pairing(const MatchConfig& c, int game) {
    int count = c.openings.empty() ? 1 : static_cast<int>(c.openings.size());
    return {(game / 2) % count, game % 2 == 0};
}

std::optional<std::string> checkRecord(const MatchConfig& c, const GameRecord& r) {
    if (r.game < 0 || r.game >= c.games)
        return "game " + std::to_string(r.game) + " is not one of this match";
    Pairing p = pairing(c, r.game);
    const PlayerSpec& x = p.aIsX ? c.a : c.b;
    const PlayerSpec& o = p.aIsX ? c.b : c.a;
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

Tally tally(const std::vector<GameRecord>& records, const std::string& name) {
    Tally t;
    for (const GameRecord& r : records) {
        bool isX = r.x == name, isO = r.o == name;
        if (!isX && !isO) continue;
        if (r.winner == Winner::None) {
            t.draws++;
        } else if ((r.winner == Winner::X) == isX) {
            t.wins++;
        } else {
            t.losses++;
            t.lostBy[static_cast<int>(r.loss)]++;
        }
    }
    return t;
}

std::string summaryText(const MatchConfig& c, const std::vector<GameRecord>& records) {
    std::string text;
    char buf[512];
    snprintf(buf, sizeof buf, "%d game%s, N = %d\n", static_cast<int>(records.size()),
             records.size() == 1 ? "" : "s", c.size);
    text += buf;
    for (const PlayerSpec* p : {&c.a, &c.b}) {
        Tally t = tally(records, p->name);
        EloEstimate e = estimateElo(t.wins, t.draws, t.losses);
        std::string elo = e.valid ? "Elo " + formatElo(e.elo) + " [" + formatElo(e.low) + ", " +
                                        formatElo(e.high) + "]"
                                  : "Elo -";
        snprintf(
            buf, sizeof buf,
            "%-16s wins %d, draws %d, losses %d (time %d, crash %d, illegal %d, repetition %d, "
            "straights %d), score %.1f/%d, %s\n",
            escape(p->name, 40).c_str(), t.wins, t.draws, t.losses,
            t.lostBy[static_cast<int>(Loss::Time)], t.lostBy[static_cast<int>(Loss::Crash)],
            t.lostBy[static_cast<int>(Loss::Illegal)], t.lostBy[static_cast<int>(Loss::Repetition)],
            t.lostBy[static_cast<int>(Loss::Straights)], t.score(), t.games(), elo.c_str());
        text += buf;
    }
    return text;
}

namespace {

bool writeAll(int fd, const std::string& s) {
    size_t done = 0;
    while (done < s.size()) {
        ssize_t put = write(fd, s.data() + done, s.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

}  // namespace

int runMatch(const MatchConfig& c, std::ostream& out, std::ostream& progress) {
    std::vector<GameRecord> finished;
    std::set<int> done;
    int fd = -1;
    if (!c.output.empty()) {
        std::ifstream in(c.output, std::ios::binary);
        std::string text;
        if (in) {
            std::ostringstream all;
            all << in.rdbuf();
            text = all.str();
        }
        if (!text.empty() && !c.resume) {
            progress << "referee: " << c.output << " already holds games; --resume continues it\n";
            return 1;
        }
        RecordFile file = parseRecords(text);
        for (const GameRecord& r : file.records) {
            if (!r.complete) continue;
            if (auto wrong = checkRecord(c, r)) {
                progress << "referee: " << c.output << " is not this match's output: " << *wrong
                         << "\n";
                return 1;
            }
            if (!done.insert(r.game).second) {
                progress << "referee: " << c.output << " holds game " << r.game << " twice\n";
                return 1;
            }
            finished.push_back(r);
        }
        fd = open(c.output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) {
            progress << "referee: cannot write " << c.output << ": " << std::strerror(errno)
                     << "\n";
            return 1;
        }
        if (file.goodBytes < text.size()) {
            // A record cut short when the last run was stopped: drop it, it is played again.
            progress << "referee: dropping " << text.size() - file.goodBytes
                     << " bytes of unfinished output at the end of " << c.output << "\n";
            if (ftruncate(fd, static_cast<off_t>(file.goodBytes)) != 0) {
                progress << "referee: cannot shorten " << c.output << "\n";
                close(fd);
                return 1;
            }
        }
        if (!finished.empty())
            progress << "referee: resuming, " << finished.size() << " of " << c.games
                     << " games done\n";
    }

    std::vector<int> todo;
    for (int g = 0; g < c.games; g++)
        if (!done.count(g)) todo.push_back(g);
    std::atomic<size_t> next{0};
    std::mutex lock;
    bool failed = false;
    auto worker = [&] {
        for (;;) {
            size_t i = next++;
            if (i >= todo.size() || stopRequested()) return;
            int g = todo[i];
            Pairing p = pairing(c, g);
            GameSetup s;
            s.size = c.size;
            s.opening = c.openings[p.opening];
            s.game = g;
            s.openingIndex = p.opening;
            s.x = p.aIsX ? &c.a : &c.b;
            s.o = p.aIsX ? &c.b : &c.a;
            s.maxPlies = c.maxPlies;
            s.margin = c.margin;
            if (c.show) {
                s.show = [&, g](const std::string& board) {
                    std::lock_guard<std::mutex> hold(lock);
                    if (c.jobs > 1) out << "game " << g << ": ";
                    out << board << std::flush;
                };
            }
            std::optional<GameRecord> r = playGame(s);
            if (!r) return;
            std::string text = formatRecord(*r);
            std::lock_guard<std::mutex> hold(lock);
            if (fd >= 0) {
                if (!writeAll(fd, text)) {
                    progress << "referee: cannot write " << c.output << ": " << std::strerror(errno)
                             << "\n";
                    failed = true;
                    requestStop();
                    return;
                }
            } else {
                out << text << std::flush;
            }
            finished.push_back(*r);
            if (c.afterGame) c.afterGame(finished);
            Tally t = tally(finished, c.a.name);
            char buf[1024];
            snprintf(buf, sizeof buf,
                     "[%d/%d] game %d, opening %d: %s (X) - %s (O) %s, %s; %s %.1f - %.1f %s\n",
                     static_cast<int>(finished.size()), c.games, g, p.opening,
                     escape(s.x->name, 40).c_str(), escape(s.o->name, 40).c_str(),
                     resultText(r->winner), escape(r->reason, 300).c_str(),
                     escape(c.a.name, 40).c_str(), t.score(), t.games() - t.score(),
                     escape(c.b.name, 40).c_str());
            progress << buf << std::flush;
        }
    };
    int jobs = c.jobs < 1 ? 1 : c.jobs;
    std::vector<std::thread> threads;
    for (int j = 1; j < jobs && j < static_cast<int>(todo.size()); j++)
        threads.emplace_back(worker);
    worker();
    for (std::thread& t : threads) t.join();
    if (fd >= 0) close(fd);
    out << summaryText(c, finished) << std::flush;
    if (failed) return 1;
    if (stopRequested()) {
        progress << "referee: stopped; " << finished.size() << " of " << c.games
                 << " games done, --resume continues\n";
        return 130;
    }
    return 0;
}

}  // namespace referee
