#include "referee/play/tally.h"

#include <algorithm>
#include <map>

#include "referee/play/schedule.h"
#include "referee/records/record.h"
#include "referee/text/escape.h"

namespace referee {

std::optional<std::string> tallyFiles(const std::vector<std::pair<std::string, std::string>>& files,
                                      TallyResult& out) {
    std::map<int, std::string> seen;  // game -> file
    bool first = true;
    for (const auto& [name, text] : files) {
        RecordFile file = parseRecords(text);
        int unfinished = 0;
        for (const GameRecord& r : file.records) {
            if (!r.complete) {
                unfinished++;
                continue;
            }
            std::string where = escape(name, 200) + ", game " + std::to_string(r.game);
            if (first) {
                out.settings = r.settings;
                if (auto err = matchFromSettings(r.settings, out.match))
                    return escape(name, 200) + ": " + *err;
                first = false;
            } else {
                if (auto differ = settingsDiffer(out.settings, r.settings))
                    return where + " belongs to another match (" + *differ + ")";
                // A run's game list and test depend on these too.
                for (const char* key : {"games", "sprt"}) {
                    const std::string* a = findSetting(out.settings, key);
                    const std::string* b = findSetting(r.settings, key);
                    if (!a || !b || *a != *b)
                        return where + " belongs to another match (" + key + ": '" +
                               escape(a ? *a : "", 80) + "' against '" + escape(b ? *b : "", 80) +
                               "')";
                }
            }
            // The openings are not recorded in full, so a game is checked for its place in
            // the schedule: index, players and colours, board size.
            if (auto wrong = checkPlace(out.match, r)) return escape(name, 200) + ": " + *wrong;
            auto [at, fresh] = seen.emplace(r.game, name);
            if (!fresh)
                return "game " + std::to_string(r.game) + " appears twice: in " +
                       escape(at->second, 200) + " and in " + escape(name, 200);
            out.games.push_back(r);
        }
        if (unfinished > 0)
            out.notes.push_back(escape(name, 200) + ": left out " + std::to_string(unfinished) +
                                " unfinished record" + (unfinished == 1 ? "" : "s"));
        if (!file.problems.empty())
            out.notes.push_back(escape(name, 200) + ": " + std::to_string(file.problems.size()) +
                                " line(s) that are no record, first " +
                                escape(file.problems.front(), 120));
    }
    if (first) return "no finished game in the files";
    return std::nullopt;
}

}  // namespace referee
