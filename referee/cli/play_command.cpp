#include "referee/cli/play_command.h"

#include <signal.h>
#include <unistd.h>

#include <ctime>
#include <functional>

#include "referee/play/match.h"
#include "referee/players/process.h"
#include "referee/results/results.h"
#include "referee/views/report_page.h"
#include "referee/views/results_json.h"
#include "referee/views/show.h"
#include "referee/views/summary.h"

namespace referee {

namespace {

void onStop(int) {
    requestStop();
}

// SIGINT and SIGTERM ask the run to stop: games in progress are given up, finished ones
// stay in the output, and --resume continues.
void stopOnSignals() {
    struct sigaction stop {};
    stop.sa_handler = onStop;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

// What the run shows and writes as it goes: the boards (--show), the line after every game
// and the page (--report), then the closing table and the JSON (--json).
struct RunViews {
    const Options& o;
    const MatchConfig& c;
    std::ostream& out;
    std::ostream& err;
    const EventInfo event = [&] {
        EventInfo e = eventOf(c);
        e.fitFirstMove = !o.noFirstMove;
        return e;
    }();
    const std::string title = eventTitle(event);
    bool jsonFailed = false;

    RunHooks hooks() {
        RunHooks h;
        h.started = [this](const GameSetup& s) { err << startLine(s) << std::flush; };
        h.show = [this](const GameEvent& e) { out << showText(e, c.jobs > 1) << std::flush; };
        h.stored = [this](const RunProgress& p) { stored(p); };
        h.done = [this](const std::vector<GameRecord>& games, SprtVerdict) { done(games); };
        return h;
    }

    void stored(const RunProgress& p) {
        // The line of a tournament needs no figures, and a rating fit after every game of a
        // large field would cost more than the game.
        const bool figures = c.event == Event::Match || !o.report.empty();
        const Results r = computeResults(event, figures ? p.finished : std::vector<GameRecord>{});
        if (!o.report.empty()) {
            const std::vector<std::string> files(p.finished.size(), c.output);
            if (auto e = writeReport(o.report, title, r, {p.finished, files},
                                     p.left > 0 && !stopRequested()))
                err << "referee: " << *e << "\n";
        }
        err << progressLine(r, p) << std::flush;
    }

    void done(const std::vector<GameRecord>& games) {
        const Results r = computeResults(event, games);
        const std::vector<std::string> files(games.size(), c.output);
        if (!o.report.empty()) {
            // The last page: done, or stopped with games in progress; it reloads no more.
            if (auto e = writeReport(o.report, title, r, {games, files}, false))
                err << "referee: " << *e << "\n";
        }
        if (!o.json.empty()) {
            if (auto e = writeResultsJson(o.json, title, r, {games, files})) {
                err << "referee: " << *e << "\n";
                jsonFailed = true;
            }
        }
        out << summaryText(r) << std::flush;
    }
};

}  // namespace

std::string recordFileName(std::time_t now, const std::function<bool(const std::string&)>& taken) {
    std::tm utc{};
    gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
    std::string name = std::string("referee-") + stamp + ".txt";
    for (int k = 2; taken(name) && k < 1000; k++)
        name = std::string("referee-") + stamp + "-" + std::to_string(k) + ".txt";
    return name;
}

int runPlay(const Options& given, std::ostream& out, std::ostream& err) {
    Options o = given;
    if (o.output.empty() && isatty(STDOUT_FILENO)) {
        // Records would fill the terminal between the progress lines: they go to a file.
        o.output = recordFileName(
            std::time(nullptr), [](const std::string& f) { return access(f.c_str(), F_OK) == 0; });
        err << "referee: the records go to " << o.output
            << " (-o FILE names the file, -o - writes them here)\n";
    }
    MatchConfig c;
    if (auto wrong = buildMatch(o, c)) {
        err << "referee: " << *wrong << "\n(referee --help shows the options)\n";
        return 2;
    }
    RunViews views{o, c, out, err};
    stopOnSignals();
    const int status = runMatch(c, views.hooks(), out, err);
    return status == 0 && views.jsonFailed ? 1 : status;
}

}  // namespace referee
