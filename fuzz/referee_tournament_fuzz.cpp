// Fuzz target: a tournament's options from a config file (INI or TOML, read by CLI11) with
// its --player entries (their sandbox and memory keys too) and --shard, built into the
// event. Each line of the input is also tried as one --player entry and as a --shard value.
// Checked: what is accepted is inside its ranges, and a built event has distinct player
// names, an anchor among them, as many games as its pairs times the games per pair, a
// schedule that stays among its players, and sandbox limits inside their ranges.
#include <cstddef>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>

#include "fuzz/check.h"
#include "referee/cli/options.h"
#include "referee/play/schedule.h"
#include "referee/players/sandbox.h"

namespace {

// Each line as one --player entry and as a --shard value.
void checkLines(const std::string& text) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        referee::Options::Side side;
        if (!referee::parsePlayerEntry(line, side)) {
            FUZZ_CHECK(referee::parseProtocol(side.proto).has_value());
            FUZZ_CHECK(!side.time || (*side.time >= 0.001 && *side.time <= 86400));
            FUZZ_CHECK(!side.memory || (*side.memory >= referee::kMinSandboxMemoryMiB &&
                                        *side.memory <= referee::kMaxSandboxMemoryMiB));
        }
        int k = -1, m = -1;
        if (!referee::parseShard(line, k, m)) FUZZ_CHECK(m >= 1 && k >= 0 && k < m);
    }
}

// Nothing is read from or written to files named by the input, and the openings stay few,
// so that every input is quick.
void keepQuick(referee::Options& o) {
    o.openings.clear();
    o.openingPlies.reset();
    o.output.clear();
    o.report.clear();
    o.json.clear();
    o.resume = false;
    if (o.games && *o.games > 64) o.games = 64;
    if (o.randomPlies && *o.randomPlies > 30) o.randomPlies = 30;
    if (o.size > 8) o.size = 8;
    if (!o.shard.empty()) o.output = "/nonexistent/shard.txt";  // named, never opened
}

// A built event: distinct names, times and sandbox limits in range, a schedule among its
// players.
void checkEvent(const referee::MatchConfig& c) {
    std::vector<const referee::PlayerSetup*> all = referee::entrants(c);
    std::set<std::string> names;
    for (const referee::PlayerSetup* p : all) {
        FUZZ_CHECK(names.insert(p->name).second);
        FUZZ_CHECK(p->time >= 0.001 && p->time <= 86400);
        FUZZ_CHECK(!p->argv.empty());
        const referee::SandboxLimits& box = p->sandbox;
        FUZZ_CHECK(box.memoryMiB >= referee::kMinSandboxMemoryMiB &&
                   box.memoryMiB <= referee::kMaxSandboxMemoryMiB);
        FUZZ_CHECK(box.processes >= referee::kMinSandboxProcesses &&
                   box.processes <= referee::kMaxSandboxProcesses);
        FUZZ_CHECK(box.on || p->hidden.empty());
    }
    FUZZ_CHECK(c.shards >= 1 && c.shard >= 0 && c.shard < c.shards);
    if (c.event == referee::Event::Match) {
        FUZZ_CHECK(all.size() == 2);
        return;
    }
    FUZZ_CHECK(!c.sprt);
    FUZZ_CHECK(c.anchor >= 0 && static_cast<size_t>(c.anchor) < all.size());
    FUZZ_CHECK(c.games == referee::pairsOf(c.event, static_cast<int>(all.size())) * c.perPair);
    for (int g = 0; g < c.games && g < 5000; g++) {
        referee::Pairing p = referee::pairing(c, g);
        FUZZ_CHECK(p.first >= 0 && p.first < p.second &&
                   static_cast<size_t>(p.second) < all.size());
        FUZZ_CHECK(p.opening >= 0 && static_cast<size_t>(p.opening) < c.openings.size());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkLines(text);
    CLI::App app;
    referee::Options o;
    referee::declareOptions(app, o);
    std::istringstream in(text);
    try {
        app.parse_from_stream(in);
        referee::finishOptions(app, o);
    } catch (const CLI::Error&) {
        return 0;
    }
    keepQuick(o);
    referee::MatchConfig c;
    if (referee::buildMatch(o, c)) return 0;
    checkEvent(c);
    return 0;
}
