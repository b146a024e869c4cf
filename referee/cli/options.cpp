#include "referee/cli/options.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "common/version.h"
#include "referee/play/schedule.h"
#include "referee/players/command_line.h"
#include "referee/players/program_path.h"
#include "referee/players/sandbox.h"
#include "referee/records/files.h"
#include "referee/stats/ratings.h"
#include "referee/text/escape.h"
#include "referee/text/number_text.h"

namespace referee {

namespace {

// -a/--a-command and the rest for player x ("a" or "b"), in the group "Player X".
void declarePlayerOptions(CLI::App& app, Options::Side& s, const std::string& x) {
    std::string g = "Player " + std::string(1, static_cast<char>(x[0] - 32));
    app.add_option("-" + x + ",--" + x + "-command", s.command,
                   "the player's command line (program and arguments)")
        ->group(g);
    app.add_option("--" + x + "-proto", s.proto,
                   "what the player reads: bitrow gets the size line and the moves; "
                   "byteboard gets the moves, and its time per move in whole seconds as "
                   "an argument")
        ->check(CLI::IsMember({"bitrow", "byteboard"}))
        ->group(g);
    app.add_option("--" + x + "-dir", s.dir, "working folder (default: the program's folder)")
        ->group(g);
    app.add_option("--" + x + "-name", s.name,
                   "name in records and tables (default: the program's file name)")
        ->group(g);
    app.add_option("--" + x + "-time", s.time, "seconds per move for this player (default --time)")
        ->check(CLI::Range(kMinMoveSeconds, kMaxMoveSeconds))
        ->group(g);
    app.add_flag("--" + x + "-sandbox", s.sandbox, "run this player in the sandbox (see --sandbox)")
        ->group(g);
    app.add_option("--" + x + "-memory", s.memory,
                   "memory of this player in the sandbox, MiB (default --memory)")
        ->check(CLI::Range(kMinSandboxMemoryMiB, kMaxSandboxMemoryMiB))
        ->group(g);
}

// The sandbox for every player.
void declareSandboxOptions(CLI::App& app, Options& o) {
    const std::string box = "Sandbox";
    app.add_flag("--sandbox", o.sandbox,
                 "run every player in a sandbox (bubblewrap): its own namespaces, no network, "
                 "only the system's folders and its own read-only, a private temporary folder, "
                 "limits on memory and processes (docs/limits.md)")
        ->group(box);
    app.add_option("--memory", o.memory,
                   "memory of a sandboxed player, MiB: the address space of each of its "
                   "processes, and the size of its temporary folder (default " +
                       std::to_string(kDefaultSandboxMemoryMiB) + ")")
        ->check(CLI::Range(kMinSandboxMemoryMiB, kMaxSandboxMemoryMiB))
        ->group(box);
    app.add_option("--processes", o.processes,
                   "processes a sandboxed player may have at once, the sandbox's own init "
                   "process counted (default " +
                       std::to_string(kDefaultSandboxProcesses) + ")")
        ->check(CLI::Range(kMinSandboxProcesses, kMaxSandboxProcesses))
        ->group(box);
}

// Config files as CLI11 reads them (INI or TOML), read at most kSmallFileLimit bytes of.
class BoundedConfig : public CLI::ConfigTOML {
  public:
    std::vector<CLI::ConfigItem> from_config(std::istream& in) const override {
        std::string text(kSmallFileLimit + 1, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(in.gcount()));
        if (text.size() > kSmallFileLimit)
            throw CLI::FileError("the config file is larger than " + sizeText(kSmallFileLimit));
        std::istringstream copy(text);
        return CLI::ConfigTOML::from_config(copy);
    }
};

// A config file must be a regular file of at most kSmallFileLimit bytes: checked as soon
// as --config is read, before the file is opened to be parsed.
std::string checkConfigFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return "";  // CLI11 says it is missing
    if (!S_ISREG(st.st_mode)) return path + " is not a regular file";
    if (static_cast<unsigned long long>(st.st_size) > kSmallFileLimit)
        return path + " is larger than " + sizeText(kSmallFileLimit);
    return "";
}

// The players of a tournament.
void declareTournamentOptions(CLI::App& app, Options& o) {
    const std::string tour = "Tournament";
    app.add_option("--player", o.players,
                   "a player of a tournament, repeated for each: \"name=d3 cmd='./analyze "
                   "--quiet --depth 3' proto=bitrow dir=FOLDER time=1\" (cmd required; the "
                   "others default as for -a); in a config file: player = [\"...\", \"...\"]")
        ->group(tour);
    app.add_option("--tournament", o.tournament,
                   "round-robin: every pair of players; gauntlet: the first player against "
                   "every other. Each pair plays --games games (default: each opening twice, "
                   "colours swapped). Default with --player: round-robin")
        ->check(CLI::IsMember({"round-robin", "gauntlet"}))
        ->group(tour);
    app.add_option("--anchor", o.anchor, "the player rated 0 (default: the first)")->group(tour);
    app.add_flag("--no-first-move", o.noFirstMove,
                 "rate without fitting X's first-move advantage (X and O count alike)")
        ->group(tour);
}

// How one game is played.
void declareGameOptions(CLI::App& app, Options& o) {
    const std::string game = "Game";
    app.add_option("-n,--size", o.size, "board size")
        ->check(CLI::Range(1, model::kMaxSize))
        ->group(game);
    app.add_option("--time", o.time, "seconds per move")
        ->check(CLI::Range(kMinMoveSeconds, kMaxMoveSeconds))
        ->group(game);
    app.add_option("--margin", o.margin,
                   "seconds of grace over the time before a player loses on time")
        ->check(CLI::Range(0.0, kMaxMarginSeconds))
        ->group(game);
    app.add_option("--max-plies", o.maxPlies, "plies after which the game is a draw")
        ->check(CLI::Range(1, kMaxPlies))
        ->group(game);
    app.add_flag("--show", o.show, "print the board after every move")->group(game);
}

// Which games are played, and where they go.
void declareMatchOptions(CLI::App& app, Options& o) {
    const std::string match = "Match";
    app.add_option("--games", o.games,
                   "games to play at most (default: twice the number of openings)")
        ->check(CLI::Range(1, kMaxGames))
        ->group(match);
    app.add_option("--openings", o.openings, "openings from a file of game records")->group(match);
    app.add_option("--opening-plies", o.openingPlies,
                   "use only the first K plies of each opening in the file")
        ->check(CLI::Range(0, kMaxPlies))
        ->group(match);
    app.add_option("--random-openings", o.randomPlies,
                   "openings of K random plies that leave the game open")
        ->check(CLI::Range(0, kMaxPlies))
        ->group(match);
    app.add_option("--seed", o.seed, "seed for --random-openings")->group(match);
    app.add_option("-j,--jobs", o.jobs, "games played at the same time")
        ->check(CLI::Range(1, kMaxJobs))
        ->group(match);
    app.add_option("-o,--output", o.output,
                   "append the game records to FILE, a regular file (-o -: standard output; "
                   "default: standard output, or referee-DATE-TIME.txt when that is a terminal)")
        ->group(match);
    app.add_option("--report", o.report,
                   "rewrite the match report page FILE after every game (see 'referee report')")
        ->group(match);
    app.add_flag("--resume", o.resume,
                 "continue the match in the --output file, skipping the games it holds; refused "
                 "when they were played with other settings")
        ->group(match);
    app.add_option("--sprt", o.sprt,
                   "sequential test on normalised Elo, ending the match when H0 (elo0) or H1 "
                   "(elo1) is accepted: elo0=E0 elo1=E1 alpha=A beta=B (defaults 0, 5, 0.05, "
                   "0.05); --games stays the upper limit")
        ->expected(0, 4)
        ->group(match);
    app.add_option("--shard", o.shard,
                   "play only the games whose index is K modulo M (K/M, 0 <= K < M) into the "
                   "--output file; 'referee tally' adds the shards up")
        ->group(match);
    app.add_option("--json", o.json,
                   "write the settings, every game's result and the final statistics to FILE as "
                   "JSON at the end")
        ->group(match);
    app.add_flag("--no-check", o.noCheck,
                 "skip the check of both players on probe positions before the first game")
        ->group(match);
    app.add_flag("--allow-repeats", o.allowRepeats,
                 "play more games than twice the distinct openings, repeating earlier ones")
        ->group(match);
}

}  // namespace

void declareOptions(CLI::App& app, Options& o) {
    app.description(
        "Plays games between player A and player B, or a tournament of any number of players "
        "(--player, --tournament), and judges them (the command 'play', the default).\n"
        "Options may also come from a config file (--config FILE, INI or TOML, keys named like "
        "the long options: a-command = \"./shover8\").");
    app.option_defaults()->always_capture_default();
    app.set_version_flag("--version", std::string(common::versionLine("referee")));
    app.config_formatter(std::make_shared<BoundedConfig>());
    app.set_config("--config", "", "read options from this INI or TOML file")
        ->check(CLI::Validator(checkConfigFile, "FILE"))
        ->trigger_on_parse();
    declarePlayerOptions(app, o.a, "a");
    declarePlayerOptions(app, o.b, "b");
    declareTournamentOptions(app, o);
    declareGameOptions(app, o);
    declareMatchOptions(app, o);
    declareSandboxOptions(app, o);
}

void finishOptions(const CLI::App& app, Options& o) {
    if (app.count("--sprt") > 0 && !o.sprt) o.sprt.emplace();
}

namespace {

const char* const kPlayerKeys = "keys: name, cmd, proto, dir, time, sandbox, memory";

// A number of the whole value, within [low, high].
template <typename T>
bool wholeNumber(const std::string& value, T low, T high, T& out) {
    auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), out);
    return ec == std::errc() && end == value.data() + value.size() && out >= low && out <= high;
}

// One key=value of a --player entry (the key known to be followed by a value).
std::optional<std::string> setPlayerKey(const std::string& key, const std::string& value,
                                        Options::Side& out) {
    if (key == "name") {
        out.name = value;
    } else if (key == "cmd") {
        out.command = value;
    } else if (key == "proto") {
        if (!parseProtocol(value))
            return "--player: proto is bitrow or byteboard, not '" + escape(value, 40) + "'";
        out.proto = value;
    } else if (key == "dir") {
        out.dir = value;
    } else if (key == "time") {
        double t = 0;
        if (!wholeNumber(value, kMinMoveSeconds, kMaxMoveSeconds, t))
            return "--player: time is seconds per move from " + shortNumber(kMinMoveSeconds) +
                   " to " + shortNumber(kMaxMoveSeconds) + ", not '" + escape(value, 40) + "'";
        out.time = t;
    } else if (key == "sandbox") {
        if (value != "yes" && value != "no")
            return "--player: sandbox is yes or no, not '" + escape(value, 40) + "'";
        out.sandbox = value == "yes";
    } else if (key == "memory") {
        int mib = 0;
        if (!wholeNumber(value, kMinSandboxMemoryMiB, kMaxSandboxMemoryMiB, mib))
            return "--player: memory is MiB from " + std::to_string(kMinSandboxMemoryMiB) + " to " +
                   std::to_string(kMaxSandboxMemoryMiB) + ", not '" + escape(value, 40) + "'";
        out.memory = mib;
    } else {
        return "--player: unknown key '" + escape(key, 40) + "' (" + kPlayerKeys + ")";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> parsePlayerEntry(const std::string& text, Options::Side& out) {
    auto words = splitCommand(text);
    if (!words) return "--player '" + escape(text, 80) + "': unbalanced quotes or nothing given";
    bool haveCommand = false;
    for (const std::string& w : *words) {
        size_t eq = w.find('=');
        if (eq == std::string::npos || eq + 1 == w.size())
            return "--player '" + escape(text, 80) + "': '" + escape(w, 40) +
                   "' is not key=value (" + kPlayerKeys + ")";
        const std::string key = w.substr(0, eq);
        if (auto err = setPlayerKey(key, w.substr(eq + 1), out)) return err;
        haveCommand = haveCommand || key == "cmd";
    }
    if (!haveCommand) return "--player '" + escape(text, 80) + "' has no cmd=";
    return std::nullopt;
}

std::optional<std::string> parseShard(const std::string& text, int& k, int& m) {
    size_t slash = text.find('/');
    auto number = [](const std::string& t, int& v) {
        auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
        return !t.empty() && ec == std::errc() && end == t.data() + t.size();
    };
    if (slash == std::string::npos || !number(text.substr(0, slash), k) ||
        !number(text.substr(slash + 1), m) || m < 1 || m > kMaxShards || k < 0 || k >= m)
        return "--shard takes K/M with 0 <= K < M <= " + std::to_string(kMaxShards) + ", not '" +
               escape(text, 40) + "'";
    return std::nullopt;
}

namespace {

// The player's sandbox: --sandbox or its own, with its memory or everyone's; a memory
// limit given without a sandbox to apply it to is refused. memoryOption names it.
std::optional<std::string> setSandbox(const Options& o, const Options::Side& side,
                                      const std::string& who, const std::string& memoryOption,
                                      SandboxLimits& box) {
    box.on = o.sandbox || side.sandbox;
    if (side.memory && !box.on)
        return who + ": " + memoryOption +
               " limits the sandbox, and the player has none: add --sandbox (or its own)";
    box.memoryMiB = side.memory.value_or(o.memory.value_or(kDefaultSandboxMemoryMiB));
    box.processes = o.processes.value_or(kDefaultSandboxProcesses);
    return std::nullopt;
}

// Builds one player from its options; `who` names it in messages ("player a").
std::optional<std::string> makeEntrant(const Options& o, const Options::Side& side,
                                       const std::string& who, const std::string& option,
                                       PlayerSetup& player) {
    const bool tournament = option.empty();
    const std::string timeOption = tournament ? "time= in its --player" : "--" + option + "-time";
    if (auto err = setSandbox(o, side, who, tournament ? "memory=" : "--" + option + "-memory",
                              player.sandbox))
        return err;
    player.name = side.name;
    player.time = side.time.value_or(o.time);
    Protocol proto = parseProtocol(side.proto).value_or(Protocol::BitRow);
    if (auto err = makePlayer(side.command, proto, side.dir, player)) return who + ": " + *err;
    if (proto == Protocol::ByteBoard &&
        (player.time < 1 || player.time != std::floor(player.time))) {
        return who +
               " reads its time per move as whole seconds "
               "(byteboard protocol), and " +
               shortNumber(player.time) + " s cannot be given that way: use " + timeOption +
               " with a whole number of seconds, 1 or more";
    }
    return std::nullopt;
}

}  // namespace

namespace {

// Options that exclude or need each other, and a report page that would overwrite records.
std::optional<std::string> checkCombinations(const Options& o) {
    if (!o.openings.empty() && o.randomPlies)
        return "--openings and --random-openings exclude each other";
    if (o.openingPlies && o.openings.empty()) return "--opening-plies needs --openings";
    if (o.resume && (o.output.empty() || o.output == "-"))
        return "--resume needs --output with a file";
    for (const std::string* kept : {&o.output, &o.openings})
        if (!o.report.empty() && !kept->empty() && sameFile(o.report, *kept))
            return "--report would overwrite the records in " + *kept;
    return std::nullopt;
}

// The players of a tournament: from --player, or -a and -b; numbered when names repeat.
std::optional<std::string> buildField(const Options& o, MatchConfig& c) {
    std::vector<Options::Side> sides;
    if (o.players.empty()) {
        sides = {o.a, o.b};
    } else {
        for (const std::string& entry : o.players) {
            Options::Side side;
            if (auto err = parsePlayerEntry(entry, side)) return err;
            sides.push_back(side);
        }
    }
    if (sides.size() < 2) return "a tournament needs two players or more";
    if (sides.size() > static_cast<size_t>(maxRatedPlayers))
        return "a tournament takes at most " + std::to_string(maxRatedPlayers) + " players";
    if (o.sprt)
        return "--sprt tests one player against another: play a match of two (-a and -b), "
               "not a tournament";
    c.field.resize(sides.size());
    for (size_t i = 0; i < sides.size(); i++)
        if (auto err = makeEntrant(o, sides[i], "player " + std::to_string(i + 1), "", c.field[i]))
            return err;
    // Records and tables tell players apart by name: equal names get their number.
    std::map<std::string, int> count;
    for (const PlayerSetup& p : c.field) count[p.name]++;
    for (size_t i = 0; i < c.field.size(); i++)
        if (count[c.field[i].name] > 1) c.field[i].name += "-" + std::to_string(i + 1);
    std::set<std::string> names;
    for (const PlayerSetup& p : c.field)
        if (!names.insert(p.name).second)
            return "two players are named '" + escape(p.name, 60) + "': give them name=";
    c.anchor = 0;
    if (!o.anchor.empty()) {
        auto at = std::find_if(c.field.begin(), c.field.end(),
                               [&](const PlayerSetup& p) { return p.name == o.anchor; });
        if (at == c.field.end())
            return "--anchor '" + escape(o.anchor, 60) + "' is not one of the players";
        c.anchor = static_cast<int>(at - c.field.begin());
    }
    return std::nullopt;
}

// The two players of a match, or the field of a tournament.
std::optional<std::string> buildEntrants(const Options& o, MatchConfig& c) {
    if (!o.players.empty() && (!o.a.command.empty() || !o.b.command.empty()))
        return "--player and -a/-b exclude each other: give every player with --player";
    if (o.players.empty() && (o.a.command.empty() || o.b.command.empty()))
        return "a match needs -a and -b; a tournament needs --player for each player";
    c.event = o.tournament.empty() ? (o.players.empty() ? Event::Match : Event::RoundRobin)
                                   : *parseEvent(o.tournament);
    if (c.event == Event::Match) {
        if (!o.anchor.empty()) return "--anchor is for tournaments (--player, --tournament)";
        if (auto err = makeEntrant(o, o.a, "player a", "a", c.a)) return err;
        if (auto err = makeEntrant(o, o.b, "player b", "b", c.b)) return err;
        if (c.a.name == c.b.name) {
            c.a.name += "-a";
            c.b.name += "-b";
        }
        return std::nullopt;
    }
    return buildField(o, c);
}

// The shard, and a JSON file that would overwrite another file.
std::optional<std::string> checkOutputs(const Options& o, MatchConfig& c) {
    if (!o.shard.empty()) {
        if (auto err = parseShard(o.shard, c.shard, c.shards)) return err;
        if (o.output.empty() || o.output == "-") return "--shard needs its own --output file";
    }
    for (const std::string* kept : {&o.output, &o.openings, &o.report})
        if (!o.json.empty() && !kept->empty() && sameFile(o.json, *kept))
            return "--json would overwrite " + *kept;
    // Written files are regular files: a device or a pipe would block, fill up or be
    // replaced by a rename.
    const std::pair<const char*, const std::string*> written[] = {
        {"--output", &o.output}, {"--report", &o.report}, {"--json", &o.json}};
    for (const auto& [option, path] : written)
        if (!path->empty() && *path != "-")
            if (auto wrong = notWritableAsFile(*path))
                return std::string(option) + ": " + *wrong +
                       (path == &o.output ? " (-o - writes the records to standard output)" : "");
    return std::nullopt;
}

// The absolute path of a file that may not exist yet.
std::string absoluteFile(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return absolutePath(folderOf(path)) + "/" + name;
}

// The sandbox, when a player has one: it must work here, and the match's records are
// hidden from the players in it. Limits given with no sandboxed player are refused.
std::optional<std::string> prepareSandboxes(const Options& o, MatchConfig& c) {
    std::vector<PlayerSetup*> boxed;
    for (PlayerSetup* p : {&c.a, &c.b}) boxed.push_back(p);
    for (PlayerSetup& p : c.field) boxed.push_back(&p);
    std::erase_if(boxed, [](const PlayerSetup* p) { return !p->sandbox.on; });
    if (boxed.empty()) {
        if (o.memory || o.processes)
            return "--memory and --processes limit the sandbox, and no player has one: add "
                   "--sandbox";
        return std::nullopt;
    }
    if (auto problem = sandboxProblem()) return problem;
    std::vector<std::string> hidden;
    for (const std::string& file : {c.output, o.report, o.json})
        if (!file.empty()) hidden.push_back(absoluteFile(file));
    for (PlayerSetup* p : boxed) p->hidden = hidden;
    return std::nullopt;
}

// The openings: loaded from a file, drawn at random, or none (the empty board).
std::optional<std::string> buildOpenings(const Options& o, MatchConfig& c) {
    if (!o.openings.empty()) {
        if (auto err = loadOpenings(o.openings, c.size, o.openingPlies.value_or(-1), c.openings))
            return err;
        c.openingsSource = "file " + o.openings +
                           (o.openingPlies ? ", first " + std::to_string(*o.openingPlies) + " plies"
                                           : std::string());
    } else if (o.randomPlies) {
        int needed = o.games ? (*o.games + 1) / 2 : 1;  // per pair in a tournament
        auto drawn = randomOpenings(c.size, *o.randomPlies, needed, o.seed);
        if (!drawn)
            return "no opening of " + std::to_string(*o.randomPlies) +
                   " plies leaves the game open";
        c.openings = *drawn;
        c.openingsSource =
            "random, " + std::to_string(*o.randomPlies) + " plies, seed " + std::to_string(o.seed);
    }
    return std::nullopt;
}

// How many games, and that none of them repeats another unless allowed.
std::optional<std::string> countGames(const Options& o, MatchConfig& c) {
    c.games = o.games.value_or(2 * static_cast<int>(c.openings.size()));
    if (c.event != Event::Match) {
        c.perPair = c.games;
        long long total = pairsOf(c.event, static_cast<int>(c.field.size())) * c.perPair;
        if (total > kMaxGames)
            return "the tournament would be " + std::to_string(total) + " games, more than " +
                   std::to_string(kMaxGames) + ": fewer players or --games";
        c.games = static_cast<int>(total);
    }
    for (const Opening& op : c.openings)
        if (static_cast<int>(op.size()) >= c.maxPlies) return "an opening reaches --max-plies";
    if (!c.allowRepeats)
        if (auto repeat = repeatedGames(c)) return *repeat;
    return std::nullopt;
}

}  // namespace

std::optional<std::string> buildMatch(const Options& o, MatchConfig& c) {
    if (auto wrong = checkCombinations(o)) return wrong;
    c.size = o.size;
    c.margin = o.margin;
    c.maxPlies = o.maxPlies;
    c.show = o.show;
    c.jobs = o.jobs;
    c.output = o.output == "-" ? "" : o.output;
    c.resume = o.resume;
    c.check = !o.noCheck;
    c.allowRepeats = o.allowRepeats;
    c.seed = o.seed;
    if (o.sprt) {
        SprtSettings s;
        if (auto wrong = parseSprt(*o.sprt, s)) return wrong;
        c.sprt = s;
    }
    if (auto wrong = buildEntrants(o, c)) return wrong;
    if (auto wrong = checkOutputs(o, c)) return wrong;
    if (auto wrong = prepareSandboxes(o, c)) return wrong;
    if (auto wrong = buildOpenings(o, c)) return wrong;
    if (auto wrong = countGames(o, c)) return wrong;
    c.version = common::toolVersion();
    char date[64];
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%SZ", &utc);
    c.date = date;
    return std::nullopt;
}

}  // namespace referee
