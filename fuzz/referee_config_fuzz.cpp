// Fuzz target: the referee's config files (INI or TOML, read by CLI11), the sandbox's
// settings among them, and the words of --sprt. Checked: a file is either refused with a
// parse error or gives values inside every option's range; --sprt words are either refused
// or give a test that can run.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/check.h"
#include "referee/cli/options.h"
#include "referee/players/sandbox.h"
#include "referee/stats/sprt.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CLI::App app;
    referee::Options o;
    referee::declareOptions(app, o);
    std::istringstream in(text);
    bool parsed = true;
    try {
        app.parse_from_stream(in);
    } catch (const CLI::Error&) {
        parsed = false;
    }
    if (parsed) {
        FUZZ_CHECK(o.size >= 1 && o.size <= model::kMaxSize);
        FUZZ_CHECK(o.jobs >= 1 && o.jobs <= referee::kMaxJobs);
        FUZZ_CHECK(o.time >= referee::kMinMoveSeconds && o.time <= referee::kMaxMoveSeconds);
        FUZZ_CHECK(o.margin >= 0 && o.margin <= referee::kMaxMarginSeconds);
        FUZZ_CHECK(o.maxPlies >= 1 && o.maxPlies <= referee::kMaxPlies);
        FUZZ_CHECK(!o.games || (*o.games >= 1 && *o.games <= referee::kMaxGames));
        auto memory = [](const std::optional<int>& m) {
            return !m ||
                   (*m >= referee::kMinSandboxMemoryMiB && *m <= referee::kMaxSandboxMemoryMiB);
        };
        FUZZ_CHECK(memory(o.memory));
        FUZZ_CHECK(!o.processes || (*o.processes >= referee::kMinSandboxProcesses &&
                                    *o.processes <= referee::kMaxSandboxProcesses));
        for (const auto* side : {&o.a, &o.b}) {
            FUZZ_CHECK(side->proto == "bitrow" || side->proto == "byteboard");
            FUZZ_CHECK(!side->time || (*side->time >= referee::kMinMoveSeconds &&
                                       *side->time <= referee::kMaxMoveSeconds));
            FUZZ_CHECK(memory(side->memory));
        }
    }
    // The text's words as --sprt values.
    std::vector<std::string> words;
    std::istringstream split(text);
    for (std::string w; split >> w;) words.push_back(w);
    referee::SprtSettings s;
    if (!referee::parseSprt(words, s)) {
        FUZZ_CHECK(s.elo0 < s.elo1 && std::isfinite(s.elo0) && std::isfinite(s.elo1));
        FUZZ_CHECK(s.alpha > 0 && s.beta > 0 && s.alpha + s.beta < 1);
        FUZZ_CHECK(std::isfinite(s.lowerBound()) && std::isfinite(s.upperBound()));
    }
    return 0;
}
