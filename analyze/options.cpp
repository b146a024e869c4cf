#include "analyze/options.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "analyze/record.h"
#include "bitrow/types.h"
#include "byteboard/types.h"
#include "common/version.h"

namespace analyze {

namespace {

// The deepest iteration of each engine; the first is depth 3 in both.
constexpr int firstDepth = bitrow::firstDepth;
static_assert(firstDepth == byteboard::firstdepth);
constexpr int byteBoardLastDepth = byteboard::lastdepth;
// About eleven days: far beyond any use, and well inside the timers' range.
constexpr double longestBudget = 1e6;

// A number of seconds written plainly: digits with an optional fraction; no sign, exponent,
// hexadecimal form or words such as "inf" or "nan".
bool seconds(const std::string& text, double& value) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos ||
        text.find('.') != text.rfind('.'))
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && *end == 0 && std::isfinite(value);
}

const CLI::Validator timeRange(
    [](std::string& text) -> std::string {
        double v = 0;
        if (!seconds(text, v) || !(v > 0) || v > longestBudget)
            return "must be a number of seconds above 0 and at most 1000000 (fractions "
                   "allowed), not '" +
                   text + "'";
        return "";
    },
    "SECONDS in (0, 1000000]");

// A whole number from lo to hi, written with digits only (CLI11 alone would also take
// "0x10" or "5.0").
CLI::Validator wholeNumberIn(long lo, long hi) {
    const std::string range = std::to_string(lo) + " to " + std::to_string(hi);
    return CLI::Validator(
        [lo, hi, range](std::string& text) -> std::string {
            const bool digits = !text.empty() && text.size() <= 9 &&
                                text.find_first_not_of("0123456789") == std::string::npos;
            if (!digits || std::stol(text) < lo || std::stol(text) > hi)
                return "must be a whole number from " + range + ", not '" + text + "'";
            return "";
        },
        "in " + range);
}

// "3 to 36": an engine's depths.
std::string depths(int last) {
    return std::to_string(firstDepth) + " to " + std::to_string(last);
}

// "29.5": the bit-row players' budget in seconds.
std::string bitRowBudget() {
    char text[32];
    std::snprintf(text, sizeof text, "%g", bitrow::turnBudgetMicros / 1e6);
    return text;
}

// The bit-row builds' row widths.
const CLI::Validator rowWidth(
    [](std::string& text) -> std::string {
        if (text == "8" || text == "16" || text == "32") return "";
        return "must be 8, 16 or 32, not '" + text + "'";
    },
    "8, 16 or 32");

// The options that choose the engine and bound its search: engine, row width, depth and time.
void addEngineOptions(CLI::App& app, Options& o, std::string& engine) {
    app.add_option("--engine", engine,
                   "bitrow (N = 1 to 20) or byteboard (N = 6, 7); default bitrow")
        ->check(CLI::IsMember({"bitrow", "byteboard"}));
    app.add_option("--width", o.width,
                   "Bit-row build: 8, 16 or 32-bit rows; default the narrowest for N")
        ->check(rowWidth);
    app.add_option("--depth", o.depth,
                   "Last iteration: " + depths(bitrow::lastDepth) + " bit-row, " +
                       depths(byteBoardLastDepth) + " byte-board; default the last")
        ->check(wholeNumberIn(firstDepth, byteBoardLastDepth));
    app.add_option("--time", o.seconds,
                   "Seconds, above 0, at most 1000000; default " + bitRowBudget() + " bit-row, " +
                       std::to_string(byteboard::budgetseconds) + " byte-board")
        ->check(timeRange);
}

// The options that choose the position and what is printed: ply, game, board, quiet and
// the record file.
void addRecordOptions(CLI::App& app, Options& o) {
    app.add_option("--ply", o.ply,
                   "Analyse after the first K plies, 0 to the record's length; default all")
        ->check(wholeNumberIn(0, recordMoveLimit));
    app.add_option("--game", o.game,
                   "The record with '# game: G' in a file of records; default the first")
        ->check(wholeNumberIn(0, 999999999));
    app.add_flag("--board", o.board,
                 "Draw the board first, with the side to move and the straights");
    app.add_flag("--quiet", o.quiet,
                 "Print only the answer, like a player: no board, info or progress");
    app.add_option("RECORD", o.file, "Game record file, '-' for standard input (default)");
}

// The bench command and its own options.
CLI::App* addBench(CLI::App& app, Options& o) {
    CLI::App* bench = app.add_subcommand(
        "bench", "Search the bench positions to fixed depths: nodes, speed, signature");
    bench->add_flag("--short", o.benchShort, "Only the positions marked short (a few seconds)");
    bench->add_option("--suite", o.suite,
                      "Suite file; default share/pushgame/bench/suite.txt beside bin/");
    return bench;
}

// Parses args into app's options. What parseOptions returns when it stops here (empty
// after --help or --version, whose text goes to o.infoText; the error otherwise), or
// nothing when the options are to be checked further.
std::optional<std::string> parse(CLI::App& app, const std::vector<std::string>& args, Options& o) {
    // CLI11 takes the arguments in reverse order.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        o.infoText = app.help();
        return "";
    } catch (const CLI::CallForVersion& e) {
        o.infoText = std::string(e.what()) + "\n";
        return "";
    } catch (const CLI::ParseError& e) {
        return e.what();
    }
    return std::nullopt;
}

// Refuses an analysis option given with the bench, which takes only its own. The error or
// empty.
std::string notForBench(const CLI::App& app) {
    for (const char* name : {"--engine", "--width", "--depth", "--time", "--ply", "--game",
                             "--board", "--quiet", "RECORD"})
        if (app.count(name) > 0)
            return std::string("bench takes only --short and --suite, not ") + name;
    return "";
}

// Refuses engine options the chosen engine has no use for: a width for the byte-board
// engine, a depth beyond the bit-row engine's last. The error or empty.
std::string engineMismatch(const Options& o) {
    if (o.engine == EngineKind::ByteBoard && o.width != 0)
        return "--width is for the bit-row engine only";
    if (o.engine == EngineKind::BitRow && o.depth > bitrow::lastDepth)
        return "--depth must be from " + depths(bitrow::lastDepth) +
               " for the bit-row engine, not " + std::to_string(o.depth);
    return "";
}

}  // namespace

std::string parseOptions(const std::vector<std::string>& args, Options& o) {
    o = Options{};
    CLI::App app(
        "Searches the position of a game record with the players' own engines and prints "
        "one info line per iteration, then the best move. RECORD is a game record as the "
        "bit-row players read it (size line, then one move per line), or a file of referee "
        "records; without it, standard input. A finished game (a side has more straights, "
        "or the last move repeats a position) is reported instead of searched.",
        "analyze");
    app.set_version_flag("--version", common::versionLine("analyze"),
                         "Print the name, version number and commit, and exit");
    app.footer(
        "Exit status:\n"
        "  0   an answer, a finished game's report, or the bench run\n"
        "  1   the record, the suite or another file cannot be used (message on standard "
        "error)\n"
        "  2   a bad option");
    app.get_formatter()->column_width(30);

    std::string engine = "bitrow";
    addEngineOptions(app, o, engine);
    addRecordOptions(app, o);
    const CLI::App* bench = addBench(app, o);

    if (auto stop = parse(app, args, o)) return *stop;
    o.bench = bench->parsed();
    if (o.bench) {
        if (std::string wrong = notForBench(app); !wrong.empty()) return wrong;
    }
    o.engine = engine == "byteboard" ? EngineKind::ByteBoard : EngineKind::BitRow;
    return engineMismatch(o);
}

}  // namespace analyze
