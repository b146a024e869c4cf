#include "referee/cli/report_command.h"

#include <optional>

#include "referee/records/files.h"
#include "referee/records/record.h"
#include "referee/text/escape.h"
#include "referee/views/report_figures.h"
#include "referee/views/report_page.h"

namespace referee {

namespace {

const char* const kReportUsage =
    "usage: referee report FILE... -o report.html [--title TEXT]\n"
    "Writes one self-contained HTML page with every game of the record files: the\n"
    "settings, the result table, a plot of the score, and a replay of each game.\n"
    "-o - writes the page to standard output.\n";

struct ReportArgs {
    std::vector<std::string> files;
    std::string output, title;
};

// Reads the command line; an exit status when there is nothing more to do (help, or an
// error already reported).
std::optional<int> readReportArgs(const std::vector<std::string>& args, ReportArgs& r,
                                  std::ostream& out, std::ostream& err) {
    for (size_t i = 0; i < args.size(); i++) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            out << kReportUsage;
            return 0;
        }
        if (a == "-o" || a == "--output" || a == "--title") {
            if (i + 1 >= args.size()) {
                err << "referee report: " << a << " needs a value\n" << kReportUsage;
                return 2;
            }
            (a == "--title" ? r.title : r.output) = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            err << "referee report: unknown option " << escape(a, 60) << "\n" << kReportUsage;
            return 2;
        } else {
            r.files.push_back(a);
        }
    }
    if (r.files.empty() || r.output.empty()) {
        err << "referee report: record files and -o FILE are needed\n" << kReportUsage;
        return 2;
    }
    for (const std::string& f : r.files)
        if (r.output != "-" && sameFile(f, r.output)) {
            err << "referee report: the page would overwrite the records in " << escape(f, 200)
                << "\n";
            return 2;
        }
    return std::nullopt;
}

// Every record of the files, complete or not; the first ten problems of each file are
// reported. False (reported) when a file cannot be read.
bool readGames(const std::vector<std::string>& files, std::vector<ReportGame>& games,
               std::ostream& err) {
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
        for (const GameRecord& r : parsed.records) games.push_back({r, f});
    }
    return true;
}

// "A vs B" for a match of two, else "Match report".
std::string defaultTitle(const std::vector<ReportGame>& games) {
    std::vector<GameRecord> records;
    for (const ReportGame& g : games) records.push_back(g.record);
    const MatchFigures f = matchFigures(records);
    return f.players.size() == 2 ? f.players[0].name + " vs " + f.players[1].name
                                 : std::string("Match report");
}

}  // namespace

int reportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ReportArgs a;
    if (auto status = readReportArgs(args, a, out, err)) return *status;
    std::vector<ReportGame> games;
    if (!readGames(a.files, games, err)) return 1;
    const std::string title = a.title.empty() ? defaultTitle(games) : a.title;
    if (a.output == "-") {
        out << reportPage(games, title) << std::flush;
        return out ? 0 : 1;
    }
    if (auto e = writeReport(a.output, games, title)) {
        err << "referee report: " << *e << "\n";
        return 1;
    }
    int finished = 0;
    for (const ReportGame& g : games) finished += g.record.complete;
    err << "referee report: " << games.size() << " games (" << finished << " finished) in "
        << escape(a.output, 200) << "\n";
    return 0;
}

}  // namespace referee
