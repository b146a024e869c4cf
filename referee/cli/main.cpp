// referee: plays games between player programs (a match of two, or a tournament) and
// judges them.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <iostream>

#include "referee/cli/options.h"
#include "referee/cli/report_command.h"
#include "referee/cli/tally_command.h"
#include "referee/play/match.h"
#include "referee/play/settings.h"
#include "referee/players/process.h"
#include "referee/views/report_page.h"
#include "referee/views/results_json.h"
#include "referee/views/show.h"
#include "referee/views/summary.h"

namespace {

void onStop(int) {
    referee::requestStop();
}

// Standard descriptors that are closed would be reused by the pipes to the players.
void keepStandardDescriptors() {
    for (int fd = 0; fd <= 2; fd++)
        if (fcntl(fd, F_GETFD) < 0) open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
}

}  // namespace

int main(int argc, char** argv) {
    keepStandardDescriptors();
    if (argc > 1 && std::string(argv[1]) == "report")
        return referee::reportCommand({argv + 2, argv + argc}, std::cout, std::cerr);
    if (argc > 1 && std::string(argv[1]) == "tally")
        return referee::tallyCommand({argv + 2, argv + argc}, std::cout, std::cerr);
    CLI::App app("referee");
    referee::Options options;
    referee::declareOptions(app, options);
    try {
        app.parse(argc, argv);
        referee::finishOptions(app, options);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
        std::cerr << "referee: " << e.what() << "\n(referee --help shows the options)\n";
        return 2;
    } catch (const std::exception& e) {  // a config file the parser could not digest
        std::cerr << "referee: " << e.what() << "\n";
        return 2;
    }
    referee::MatchConfig c;
    if (auto err = referee::buildMatch(options, c)) {
        std::cerr << "referee: " << *err << "\n(referee --help shows the options)\n";
        return 2;
    }
    referee::RunHooks hooks;
    hooks.show = [&c](const referee::GameEvent& e) {
        std::cout << referee::showText(e, c.jobs > 1) << std::flush;
    };
    std::string title;
    if (!options.report.empty())
        title = c.event == referee::Event::Match
                    ? c.a.name + " vs " + c.b.name
                    : std::string(referee::eventName(c.event)) + " of " +
                          std::to_string(c.field.size()) + " players";
    hooks.stored = [&](const referee::RunProgress& p) {
        if (!options.report.empty()) {
            std::vector<referee::ReportGame> games;
            for (const referee::GameRecord& r : p.finished) games.push_back({r, c.output});
            if (auto err = referee::writeReport(options.report, games, title))
                std::cerr << "referee: " << *err << "\n";
        }
        std::cerr << referee::progressLine(c, p) << std::flush;
    };
    bool jsonFailed = false;
    hooks.done = [&](const std::vector<referee::GameRecord>& games, referee::SprtVerdict verdict) {
        if (!options.json.empty())
            if (auto err = referee::writeResultsJson(options.json, c, referee::matchSettings(c),
                                                     games, verdict)) {
                std::cerr << "referee: " << *err << "\n";
                jsonFailed = true;
            }
        std::cout << referee::summaryText(c, games, verdict) << std::flush;
    };
    struct sigaction stop {};
    stop.sa_handler = onStop;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    signal(SIGPIPE, SIG_IGN);
    int status = referee::runMatch(c, hooks, std::cout, std::cerr);
    return status == 0 && jsonFailed ? 1 : status;
}
