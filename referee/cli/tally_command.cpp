#include "referee/cli/tally_command.h"

#include <algorithm>

#include "referee/play/tally.h"
#include "referee/records/files.h"
#include "referee/results/results.h"
#include "referee/text/escape.h"
#include "referee/views/report_page.h"
#include "referee/views/results_json.h"
#include "referee/views/summary.h"

namespace referee {

void declareTally(CLI::App& sub, TallyArgs& a) {
    sub.option_defaults()->always_capture_default(false);
    sub.add_option("files", a.files, "record files of one match or tournament")->required();
    sub.add_option("--json", a.json, "also write the results as JSON to FILE");
    sub.add_flag("--no-first-move", a.noFirstMove,
                 "rate a tournament without fitting X's first-move advantage");
    sub.add_option("--anchor", a.anchor,
                   "rate a tournament relative to this player (default: the recorded anchor)");
}

namespace {

// The files' text, by name; an exit status when one cannot be read or would be overwritten.
std::optional<int> readFiles(const TallyArgs& a,
                             std::vector<std::pair<std::string, std::string>>& files,
                             std::ostream& err) {
    for (const std::string& n : a.files) {
        if (!a.json.empty() && n == a.json) {
            err << "referee tally: --json would overwrite " << escape(n, 200) << "\n";
            return 2;
        }
        FileRead read = readWholeFile(n, kRecordFileLimit);
        if (!read.error.empty()) {
            err << "referee tally: " << escape(read.error, 300) << "\n";
            return 1;
        }
        files.push_back({n, std::move(read.text)});
    }
    return std::nullopt;
}

// Rates a tournament relative to the player named anchor; false (reported) when there is
// no such player.
bool setAnchor(TallyResult& t, const std::string& anchor, std::ostream& err) {
    std::vector<const PlayerSetup*> all = entrants(t.match);
    auto at = std::find_if(all.begin(), all.end(),
                           [&](const PlayerSetup* p) { return p->name == anchor; });
    if (t.match.event == Event::Match || at == all.end()) {
        err << "referee tally: --anchor '" << escape(anchor, 60)
            << "' is not a player of this tournament\n";
        return false;
    }
    t.match.anchor = static_cast<int>(at - all.begin());
    return true;
}

}  // namespace

int runTally(const TallyArgs& a, std::ostream& out, std::ostream& err) {
    std::vector<std::pair<std::string, std::string>> files;
    if (auto status = readFiles(a, files, err)) return *status;
    TallyResult t;
    if (auto wrong = tallyFiles(files, t)) {
        err << "referee tally: " << *wrong << "\n";
        return 1;
    }
    if (!a.anchor.empty() && !setAnchor(t, a.anchor, err)) return 2;
    for (const std::string& note : t.notes) err << "referee tally: " << note << "\n";
    if (static_cast<int>(t.games.size()) < t.match.games)
        err << "referee tally: " << t.games.size() << " of " << t.match.games
            << " games of the match are in the files\n";
    EventInfo event = eventOf(t.match);
    event.fitFirstMove = !a.noFirstMove;
    const Results results = computeResults(event, t.games);
    out << summaryText(results) << std::flush;
    if (!a.json.empty()) {
        const std::vector<std::string> none;
        if (auto wrong =
                writeResultsJson(a.json, eventTitle(results.event), results, {t.games, none})) {
            err << "referee tally: " << *wrong << "\n";
            return 1;
        }
    }
    return 0;
}

}  // namespace referee
