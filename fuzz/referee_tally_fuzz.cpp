// Fuzz target: the tally of several record files. The input is split into files at each
// line "=== file"; checked: the files are refused with a message, or give games each once and
// inside the match, whose table and JSON can be written (the JSON parses back with every
// game, and its results count them all).
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/check.h"
#include "referee/play/tally.h"
#include "referee/views/results_json.h"
#include "referee/views/summary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::pair<std::string, std::string>> files;
    const std::string mark = "=== file\n";
    size_t pos = 0;
    while (true) {
        size_t next = text.find(mark, pos);
        files.push_back({"f" + std::to_string(files.size()),
                         text.substr(pos, next == std::string::npos ? next : next - pos)});
        if (next == std::string::npos) break;
        pos = next + mark.size();
    }
    referee::TallyResult t;
    if (auto refused = referee::tallyFiles(files, t)) {
        FUZZ_CHECK(!refused->empty());
        return 0;
    }
    FUZZ_CHECK(!t.games.empty());
    std::set<int> seen;
    for (const referee::GameRecord& r : t.games) {
        FUZZ_CHECK(r.complete);
        FUZZ_CHECK(r.game >= 0 && r.game < t.match.games);
        FUZZ_CHECK(seen.insert(r.game).second);
    }
    FUZZ_CHECK(t.match.event == referee::Event::Match ||
               (t.match.field.size() >= 2 && t.match.anchor >= 0 &&
                static_cast<size_t>(t.match.anchor) < t.match.field.size()));
    const referee::Results r = referee::computeResults(referee::eventOf(t.match), t.games);
    FUZZ_CHECK(r.counted == static_cast<int>(t.games.size()));
    const std::string table = referee::summaryText(r);
    FUZZ_CHECK(!table.empty());
    const std::vector<std::string> none;
    auto doc =
        nlohmann::json::parse(referee::resultsJson("t", r, {t.games, none}, true), nullptr, false);
    FUZZ_CHECK(!doc.is_discarded());
    FUZZ_CHECK(doc["games"].size() == t.games.size());
    return 0;
}
