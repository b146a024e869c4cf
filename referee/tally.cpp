#include "referee/tally.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include "referee/escape.h"
#include "referee/options.h"
#include "referee/results_json.h"

namespace referee {

namespace {

bool readInt(const std::string& t, long long low, long long high, int& v) {
    long long x = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), x);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size() || x < low || x > high)
        return false;
    v = static_cast<int>(x);
    return true;
}

bool readTime(const std::string& t, double& v) {
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    return !t.empty() && ec == std::errc() && end == t.data() + t.size() && std::isfinite(v) &&
           v > 0;
}

}  // namespace

std::optional<std::string> matchFromSettings(const Settings& s, MatchConfig& c) {
    auto need = [&](const std::string& name) -> std::optional<std::string> {
        if (const std::string* v = findSetting(s, name)) return *v;
        return std::nullopt;
    };
    auto player = [&](const std::string& prefix, PlayerSetup& p) -> std::optional<std::string> {
        auto name = need(prefix + "name"), time = need(prefix + "time");
        if (!name || !time) return "the settings lack " + prefix + "name or " + prefix + "time";
        p.name = *name;
        if (!readTime(*time, p.time)) return prefix + "time is not a time";
        p.command = need(prefix + "command").value_or("");
        p.protocol =
            parseProtocol(need(prefix + "protocol").value_or("")).value_or(Protocol::BitRow);
        p.dir = need(prefix + "dir").value_or("");
        return std::nullopt;
    };
    auto size = need("size"), games = need("games");
    if (!size || !readInt(*size, 1, model::kMaxSize, c.size))
        return "the settings lack a board size";
    if (!games || !readInt(*games, 1, kMaxGames, c.games))
        return "the settings lack the number of games";
    if (auto kind = need("tournament")) {
        auto e = parseEvent(*kind);
        if (!e || *e == Event::Match) return "unknown tournament '" + escape(*kind, 40) + "'";
        c.event = *e;
        int players = 0, perPair = 0;
        auto count = need("players"), per = need("games-per-pair");
        if (!count || !readInt(*count, 2, maxRatedPlayers, players))
            return "the settings lack the number of players (2 to " +
                   std::to_string(maxRatedPlayers) + ")";
        if (!per || !readInt(*per, 1, kMaxGames, perPair))
            return "the settings lack games-per-pair";
        if (pairsOf(c.event, players) * perPair != c.games)
            return "games (" + *games + ") is not games-per-pair times the pairs";
        c.perPair = perPair;
        c.field.resize(players);
        for (int i = 0; i < players; i++)
            if (auto err = player("p" + std::to_string(i + 1) + "-", c.field[i])) return err;
        for (int i = 0; i < players; i++)
            for (int j = 0; j < i; j++)
                if (c.field[i].name == c.field[j].name)
                    return "two players are named '" + escape(c.field[i].name, 60) + "'";
        c.anchor = 0;
        if (auto anchor = need("anchor"))
            for (int i = 0; i < players; i++)
                if (c.field[i].name == *anchor) c.anchor = i;
    } else {
        if (auto err = player("a-", c.a)) return err;
        if (auto err = player("b-", c.b)) return err;
        if (c.a.name == c.b.name) return "both players are named '" + escape(c.a.name, 60) + "'";
    }
    if (auto sprt = need("sprt"); sprt && *sprt != "none") {
        SprtSettings t;
        if (auto err = parseSprt({*sprt}, t)) return "recorded " + *err;
        c.sprt = t;
    }
    return std::nullopt;
}

std::optional<std::string> tallyFiles(const std::vector<std::pair<std::string, std::string>>& files,
                                      TallyResult& out) {
    std::map<int, std::string> seen;  // game -> file
    bool first = true;
    for (const auto& [name, text] : files) {
        RecordFile file = parseRecords(text);
        int unfinished = 0;
        for (const GameRecord& r : file.records) {
            if (!r.complete) {
                unfinished++;
                continue;
            }
            std::string where = escape(name, 200) + ", game " + std::to_string(r.game);
            if (first) {
                out.settings = r.settings;
                if (auto err = matchFromSettings(r.settings, out.match))
                    return escape(name, 200) + ": " + *err;
                first = false;
            } else {
                if (auto differ = settingsDiffer(out.settings, r.settings))
                    return where + " belongs to another match (" + *differ + ")";
                // A run's game list and test depend on these too.
                for (const char* key : {"games", "sprt"}) {
                    const std::string* a = findSetting(out.settings, key);
                    const std::string* b = findSetting(r.settings, key);
                    if (!a || !b || *a != *b)
                        return where + " belongs to another match (" + key + ": '" +
                               escape(a ? *a : "", 80) + "' against '" + escape(b ? *b : "", 80) +
                               "')";
                }
            }
            // The openings are not recorded in full, so a game is checked for its place in
            // the schedule: index, players and colours, board size.
            const MatchConfig& m = out.match;
            if (r.game < 0 || r.game >= m.games) return where + " is not one of the match";
            Pairing p = pairing(m, r.game);
            std::vector<const PlayerSetup*> all = entrants(m);
            const std::string& x = all[p.aIsX ? p.first : p.second]->name;
            const std::string& o = all[p.aIsX ? p.second : p.first]->name;
            if (r.x != x || r.o != o)
                return where + " was " + escape(r.x, 60) + " against " + escape(r.o, 60) +
                       ", where the schedule has " + escape(x, 60) + " against " + escape(o, 60);
            if (r.size != m.size) return where + " is for another board size";
            auto [at, fresh] = seen.emplace(r.game, name);
            if (!fresh)
                return "game " + std::to_string(r.game) + " appears twice: in " +
                       escape(at->second, 200) + " and in " + escape(name, 200);
            out.games.push_back(r);
        }
        if (unfinished > 0)
            out.notes.push_back(escape(name, 200) + ": left out " + std::to_string(unfinished) +
                                " unfinished record" + (unfinished == 1 ? "" : "s"));
        if (!file.problems.empty())
            out.notes.push_back(escape(name, 200) + ": " + std::to_string(file.problems.size()) +
                                " line(s) that are no record, first " +
                                escape(file.problems.front(), 120));
    }
    if (first) return "no finished game in the files";
    std::sort(out.games.begin(), out.games.end(),
              [](const GameRecord& a, const GameRecord& b) { return a.game < b.game; });
    return std::nullopt;
}

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
        std::optional<std::string> text = readWholeFile(n);
        if (!text) {
            err << "referee tally: cannot read " << escape(n, 200) << "\n";
            return 1;
        }
        files.push_back({n, std::move(*text)});
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
