// referee: plays games between two player programs and judges them.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "referee/match.h"
#include "referee/openings.h"
#include "referee/player.h"
#include "referee/process.h"
#include "referee/report_page.h"

namespace {

const char* kUsage = R"(usage: referee [options] -a COMMAND -b COMMAND

Plays games between player A and player B and judges them.

players:
  -a, -b COMMAND        the player's command line (program and arguments)
  --a-proto, --b-proto bitrow|byteboard
                        what the player reads (default bitrow): bitrow gets the size
                        line and the moves; byteboard gets the moves and the time per
                        move in whole seconds appended to its command line
  --a-dir, --b-dir DIR  working directory (default: the program's folder)
  --a-name, --b-name S  name in records and tables (default: the program's file name)
  --a-time, --b-time S  seconds per move for this player (default --time)
game:
  -n, --size N          board size, 1 to 20 (default 6)
  --time S              seconds per move (default 30)
  --margin S            grace over the time before a player loses on time (default 1)
  --max-plies P         plies after which the game is a draw (default 400)
  --show                print the board after every move
match:
  --games G             games to play (default: twice the number of openings)
  --openings FILE       openings from a file of game records
  --opening-plies K     use only the first K plies of each opening in the file
  --random-openings K   openings of K random plies that leave the game open
  --seed S              seed for --random-openings (default 1)
  -j, --jobs J          games played at the same time (default 1)
  -o, --output FILE     append the game records to FILE (default: standard output)
  --resume              continue the match in FILE, skipping the games it holds
  --report FILE         rewrite the match report page FILE after every game

referee report FILE... -o report.html [--title TEXT]
                        the match report page of some record files
)";

template <typename T>
std::optional<T> number(const std::string& s, T lo, T hi) {
    T v{};
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !(v >= lo) || !(v <= hi))
        return std::nullopt;
    return v;
}

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
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "report")
        return referee::reportCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    std::string reportFile;  // --report
    struct Side {
        std::string command, proto = "bitrow", dir, name;
        std::optional<double> time;
    } sa, sb;
    referee::MatchConfig c;
    double time = 30;
    std::string openingsFile;
    int openingPlies = -1, randomPlies = -1;
    std::optional<int> games;
    uint64_t seed = 1;

    auto fail = [](const std::string& why) {
        std::cerr << "referee: " << why << "\n(referee --help shows the options)\n";
        return 2;
    };
    for (size_t i = 0; i < args.size(); i++) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (a == "--show") {
            c.show = true;
            continue;
        }
        if (a == "--resume") {
            c.resume = true;
            continue;
        }
        if (i + 1 >= args.size()) return fail("option " + a + " needs a value, or is unknown");
        const std::string& v = args[++i];
        auto bad = [&] { return fail("bad value '" + referee::escape(v, 60) + "' for " + a); };
        if (a == "-a" || a == "-b") {
            (a == "-a" ? sa : sb).command = v;
        } else if (a == "--a-proto" || a == "--b-proto") {
            if (!referee::parseProtocol(v)) return bad();
            (a[2] == 'a' ? sa : sb).proto = v;
        } else if (a == "--a-dir" || a == "--b-dir") {
            (a[2] == 'a' ? sa : sb).dir = v;
        } else if (a == "--a-name" || a == "--b-name") {
            if (v.empty()) return bad();
            (a[2] == 'a' ? sa : sb).name = v;
        } else if (a == "--a-time" || a == "--b-time") {
            auto t = number<double>(v, 0.001, 86400);
            if (!t) return bad();
            (a[2] == 'a' ? sa : sb).time = *t;
        } else if (a == "-n" || a == "--size") {
            auto n = number<int>(v, 1, model::kMaxSize);
            if (!n) return bad();
            c.size = *n;
        } else if (a == "--time") {
            auto t = number<double>(v, 0.001, 86400);
            if (!t) return bad();
            time = *t;
        } else if (a == "--margin") {
            auto t = number<double>(v, 0, 3600);
            if (!t) return bad();
            c.margin = *t;
        } else if (a == "--max-plies") {
            auto p = number<int>(v, 1, 1000000);
            if (!p) return bad();
            c.maxPlies = *p;
        } else if (a == "--games") {
            games = number<int>(v, 1, 10000000);
            if (!games) return bad();
        } else if (a == "--openings") {
            openingsFile = v;
        } else if (a == "--opening-plies") {
            auto p = number<int>(v, 0, 1000000);
            if (!p) return bad();
            openingPlies = *p;
        } else if (a == "--random-openings") {
            auto p = number<int>(v, 0, 1000000);
            if (!p) return bad();
            randomPlies = *p;
        } else if (a == "--seed") {
            auto s = number<uint64_t>(v, 0, UINT64_MAX);
            if (!s) return bad();
            seed = *s;
        } else if (a == "-j" || a == "--jobs") {
            auto j = number<int>(v, 1, 256);
            if (!j) return bad();
            c.jobs = *j;
        } else if (a == "-o" || a == "--output") {
            c.output = v;
        } else if (a == "--report") {
            reportFile = v;
        } else {
            return fail("unknown option " + a);
        }
    }
    if (sa.command.empty() || sb.command.empty()) return fail("both players are needed: -a and -b");
    if (!openingsFile.empty() && randomPlies >= 0)
        return fail("--openings and --random-openings exclude each other");
    if (c.resume && c.output.empty()) return fail("--resume needs --output");
    for (const std::string* kept : {&c.output, &openingsFile})
        if (!reportFile.empty() && !kept->empty() && referee::sameFile(reportFile, *kept))
            return fail("--report would overwrite the records in " + *kept);

    for (auto [side, player] : {std::pair{&sa, &c.a}, std::pair{&sb, &c.b}}) {
        player->name = side->name;
        player->time = side->time.value_or(time);
        if (auto err = referee::makePlayer(side->command, *referee::parseProtocol(side->proto),
                                           side->dir, *player))
            return fail(*err);
    }
    if (c.a.name == c.b.name) {
        c.a.name += "-a";
        c.b.name += "-b";
    }

    if (!openingsFile.empty()) {
        if (auto err = referee::loadOpenings(openingsFile, c.size, openingPlies, c.openings))
            return fail(*err);
    } else if (randomPlies >= 0) {
        int needed = games ? (*games + 1) / 2 : 1;
        auto drawn = referee::randomOpenings(c.size, randomPlies, needed, seed);
        if (!drawn)
            return fail("no opening of " + std::to_string(randomPlies) +
                        " plies leaves the game open");
        c.openings = *drawn;
    }
    c.games = games.value_or(2 * static_cast<int>(c.openings.size()));
    for (const referee::Opening& o : c.openings)
        if (static_cast<int>(o.size()) >= c.maxPlies) return fail("an opening reaches --max-plies");

    if (!reportFile.empty()) {
        std::string title = c.a.name + " vs " + c.b.name;
        c.afterGame = [reportFile, title, file = c.output](const auto& done) {
            std::vector<referee::ReportGame> games;
            for (const referee::GameRecord& r : done) games.push_back({r, file});
            if (auto err = referee::writeReport(reportFile, games, title))
                std::cerr << "referee: " << *err << "\n";
        };
    }

    struct sigaction stop {};
    stop.sa_handler = onStop;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return referee::runMatch(c, std::cout, std::cerr);
}
