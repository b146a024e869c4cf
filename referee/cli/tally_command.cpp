#include "referee/cli/tally_command.h"

#include <algorithm>

#include "referee/play/schedule.h"
#include "referee/play/tally.h"
#include "referee/records/counts.h"
#include "referee/records/files.h"
#include "referee/text/escape.h"
#include "referee/views/results_json.h"
#include "referee/views/summary.h"

namespace referee {

namespace {

struct TallyArgs {
    std::string json, anchor;
    std::vector<std::string> names;
};

// Reads the command line; an exit status when there is nothing more to do (help, or an
// error already reported).
std::optional<int> readTallyArgs(const std::vector<std::string>& args, TallyArgs& a,
                                 std::ostream& out, std::ostream& err) {
    for (size_t i = 0; i < args.size(); i++) {
        if (args[i] == "--json") {
            if (i + 1 >= args.size()) {
                err << "referee tally: --json needs a file\n";
                return 2;
            }
            a.json = args[++i];
        } else if (args[i] == "--anchor") {
            if (i + 1 >= args.size()) {
                err << "referee tally: --anchor needs a player's name\n";
                return 2;
            }
            a.anchor = args[++i];
        } else if (args[i] == "--help" || args[i] == "-h") {
            out << "referee tally [--json FILE] [--anchor NAME] FILE...\n"
                   "Adds up record files of one match or tournament (such as the shards of one "
                   "run,\n--shard K/M) and prints its table; --json writes the results as JSON; "
                   "--anchor rates\na tournament relative to another player than the recorded "
                   "anchor.\n";
            return 0;
        } else {
            a.names.push_back(args[i]);
        }
    }
    if (a.names.empty()) {
        err << "referee tally: no record files given (referee tally --help)\n";
        return 2;
    }
    return std::nullopt;
}

// The files' text, by name; an exit status when one cannot be read or would be overwritten.
std::optional<int> readFiles(const TallyArgs& a,
                             std::vector<std::pair<std::string, std::string>>& files,
                             std::ostream& err) {
    for (const std::string& n : a.names) {
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

int tallyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    TallyArgs a;
    if (auto status = readTallyArgs(args, a, out, err)) return *status;
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
    SprtVerdict verdict = SprtVerdict::Continue;
    if (t.match.sprt)
        verdict =
            sprtVerdict(*t.match.sprt, sprtLlr(*t.match.sprt, pairCounts(t.games, t.match.a.name)));
    out << summaryText(t.match, t.games, verdict) << std::flush;
    if (!a.json.empty())
        if (auto wrong = writeResultsJson(a.json, t.match, t.settings, t.games, verdict)) {
            err << "referee tally: " << *wrong << "\n";
            return 1;
        }
    return 0;
}

}  // namespace referee
