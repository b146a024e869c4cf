#include "referee/cli/app.h"

#include "referee/cli/options.h"
#include "referee/cli/play_command.h"
#include "referee/cli/report_command.h"
#include "referee/cli/tally_command.h"

namespace referee {

namespace {

// What every help text ends with: the commands there are.
const char* const kCommands =
    "Commands:\n"
    "  referee [play] OPTIONS     play a match or a tournament (the default)\n"
    "  referee report FILE... -o PAGE\n"
    "                             the match report page of record files\n"
    "  referee tally FILE...      the table of record files, such as the shards of one run\n"
    "'referee COMMAND --help' shows a command's options.";

const char* const kExitStatus =
    "Exit status: 0 when every game was played (or the test decided), 1 when a player failed "
    "the check or a file could not be read or written, 2 for options that cannot work, 130 "
    "when stopped (SIGINT or SIGTERM; --resume continues).";
const char* const kReportText =
    "Writes one self-contained HTML page with every game of the record files: the settings, "
    "the results, plots of the score, the Elo and the test, and a replay of each game.";
const char* const kTallyText =
    "Adds up record files of one match or tournament (such as the shards of one run, --shard "
    "K/M) and prints its table, as one run of all their games would.";

// The command's parse error in the referee's one style; status 2.
int refuse(const std::string& command, const std::string& what, std::ostream& err) {
    err << command << ": " << what << "\n(" << command << " --help shows the options)\n";
    return 2;
}

}  // namespace

int runReferee(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("", "referee");
    Options play;
    declareOptions(app, play);
    app.require_subcommand(0, 1);
    app.footer(kExitStatus);
    CLI::App* playCommand = app.add_subcommand("play", "play a match or a tournament (default)");
    // Its options, --help included, are the referee's own.
    playCommand->fallthrough();
    playCommand->set_help_flag();
    ReportArgs report;
    CLI::App* reportCommand = app.add_subcommand("report", "the match report page of record files");
    reportCommand->footer(std::string(kReportText) + "\n\n" + kCommands);
    declareReport(*reportCommand, report);
    TallyArgs tally;
    CLI::App* tallyCommand =
        app.add_subcommand("tally", "the table of record files, such as the shards of one run");
    tallyCommand->footer(std::string(kTallyText) + "\n\n" + kCommands);
    declareTally(*tallyCommand, tally);

    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them so
    std::string command = "referee";
    try {
        app.parse(reversed);
        finishOptions(app, play);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0 && playCommand->parsed()) {
            // `referee play --help`: the play options are the referee's own.
            out << app.get_formatter()->make_help(&app, "referee", CLI::AppFormatMode::Normal);
            return 0;
        }
        if (e.get_exit_code() == 0) return app.exit(e, out, err);  // --help, --version
        for (const CLI::App* sub : app.get_subcommands()) command += " " + sub->get_name();
        return refuse(command, e.what(), err);
    } catch (const std::exception& e) {  // a config file the parser could not digest
        return refuse(command, e.what(), err);
    }
    const auto given = app.get_options([](const CLI::Option* o) { return o->count() > 0; });
    if (reportCommand->parsed() || tallyCommand->parsed()) {
        command += reportCommand->parsed() ? " report" : " tally";
        if (!given.empty())
            return refuse(command, given.front()->get_name() + " is an option of play", err);
        return reportCommand->parsed() ? runReport(report, out, err) : runTally(tally, out, err);
    }
    return runPlay(play, out, err);
}

}  // namespace referee
