// Fuzz target: the tally of several record files. The input is split into files at each
// line "=== file"; checked: the files are refused with a message, or give games in order of
// their index, each once and inside the match, whose table and JSON can be written (the
// JSON parses back with every game).
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
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
    for (size_t i = 0; i < t.games.size(); i++) {
        FUZZ_CHECK(t.games[i].complete);
        FUZZ_CHECK(t.games[i].game >= 0 && t.games[i].game < t.match.games);
        FUZZ_CHECK(i == 0 || t.games[i - 1].game < t.games[i].game);
    }
    FUZZ_CHECK(t.match.event == referee::Event::Match ||
               (t.match.field.size() >= 2 && t.match.anchor >= 0 &&
                static_cast<size_t>(t.match.anchor) < t.match.field.size()));
    const std::string table = referee::summaryText(t.match, t.games);
    FUZZ_CHECK(!table.empty());
    auto doc = nlohmann::json::parse(
        referee::resultsJson(t.match, t.settings, t.games, referee::SprtVerdict::Continue), nullptr,
        false);
    FUZZ_CHECK(!doc.is_discarded());
    FUZZ_CHECK(doc["games"].size() == t.games.size());
    return 0;
}
