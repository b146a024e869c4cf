#include "referee/cli/report_command.h"

#include <optional>

#include "referee/records/files.h"
#include "referee/records/record.h"
#include "referee/results/results.h"
#include "referee/text/escape.h"
#include "referee/views/report_page.h"

namespace referee {

void declareReport(CLI::App& sub, ReportArgs& a) {
    sub.option_defaults()->always_capture_default(false);
    sub.add_option("files", a.files, "record files (of one or several runs)")->required();
    sub.add_option("-o,--output", a.output, "the page to write; - writes it to standard output")
        ->required();
    sub.add_flag("--no-first-move", a.noFirstMove,
                 "rate a tournament without fitting X's first-move advantage");
    sub.add_option("--title", a.title,
                   "the page's title (default: 'A vs B', or the tournament's kind and size)");
}

namespace {

// Every record of the files, complete or not, with the file it came from; the first ten
// problems of each file are reported. False (reported) when a file cannot be read.
bool readGames(const std::vector<std::string>& files, std::vector<GameRecord>& games,
               std::vector<std::string>& from, std::ostream& err) {
    for (const std::string& f : files) {
        const FileRead read = readWholeFile(f, kRecordFileLimit);
        if (!read.error.empty()) {
            err << "referee report: " << escape(read.error, 300) << "\n";
            return false;
        }
        RecordFile parsed = parseRecords(read.text);
        size_t shown = 0;
        for (const std::string& p : parsed.problems)
            if (shown++ < 10) err << "referee report: " << escape(f, 200) << ": " << p << "\n";
        if (parsed.problems.size() > 10)
            err << "referee report: " << escape(f, 200) << ": " << parsed.problems.size() - 10
                << " more problems\n";
        for (const GameRecord& r : parsed.records) {
            games.push_back(r);
            from.push_back(f);
        }
    }
    return true;
}

}  // namespace

int runReport(const ReportArgs& a, std::ostream& out, std::ostream& err) {
    for (const std::string& f : a.files)
        if (a.output != "-" && sameFile(f, a.output)) {
            err << "referee report: the page would overwrite the records in " << escape(f, 200)
                << "\n";
            return 2;
        }
    std::vector<GameRecord> games;
    std::vector<std::string> from;
    if (!readGames(a.files, games, from, err)) return 1;
    EventInfo event = eventOfRecords(games);
    event.fitFirstMove = !a.noFirstMove;
    const Results results = computeResults(event, games);
    const std::string title = a.title.empty() ? eventTitle(results.event) : a.title;
    const ListedGames listed{games, from};
    if (a.output == "-") {
        out << reportPage(title, results, listed) << std::flush;
        return out ? 0 : 1;
    }
    if (auto e = writeReport(a.output, title, results, listed)) {
        err << "referee report: " << *e << "\n";
        return 1;
    }
    int finished = 0;
    for (const GameRecord& g : games) finished += g.complete;
    err << "referee report: " << games.size() << " games (" << finished << " finished) in "
        << escape(a.output, 200) << "\n";
    return 0;
}

}  // namespace referee
