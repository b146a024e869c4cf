#include "referee/play/settings.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "referee/play/schedule.h"
#include "referee/stats/ratings.h"
#include "referee/text/escape.h"
#include "referee/text/number_text.h"

namespace referee {

namespace {

std::string number(double v) {
    return shortNumber(v, 9);
}

bool mayChange(const std::string& name) {
    return name == "games" || name == "sprt" || name == "version" || name == "date" ||
           name == "shard" || name == "anchor";
}

}  // namespace

const std::string* findSetting(const Settings& s, const std::string& name) {
    for (const auto& kv : s)
        if (kv.first == name) return &kv.second;
    return nullptr;
}

Settings matchSettings(const MatchConfig& c) {
    Settings s;
    std::vector<std::pair<std::string, const PlayerSetup*>> players;
    if (c.event == Event::Match) {
        players = {{"a-", &c.a}, {"b-", &c.b}};
    } else {
        s.push_back({"tournament", eventName(c.event)});
        s.push_back({"players", std::to_string(c.field.size())});
        for (size_t i = 0; i < c.field.size(); i++)
            players.push_back({"p" + std::to_string(i + 1) + "-", &c.field[i]});
    }
    for (const auto& [prefix, p] : players) {
        s.push_back({prefix + std::string("command"), p->command});
        s.push_back({prefix + std::string("protocol"), protocolName(p->protocol)});
        s.push_back({prefix + std::string("dir"), p->dir});
        s.push_back({prefix + std::string("name"), p->name});
        s.push_back({prefix + std::string("time"), number(p->time)});
        // Only when it has one, so that the records of matches without are as before.
        if (p->sandbox.on) s.push_back({prefix + std::string("sandbox"), limitsText(p->sandbox)});
    }
    s.push_back({"size", std::to_string(c.size)});
    s.push_back({"margin", number(c.margin)});
    s.push_back({"max-plies", std::to_string(c.maxPlies)});
    if (c.event != Event::Match) s.push_back({"games-per-pair", std::to_string(c.perPair)});
    s.push_back({"games", std::to_string(c.games)});
    s.push_back({"openings", c.openingsSource});
    s.push_back({"seed", std::to_string(c.seed)});
    s.push_back({"sprt", c.sprt ? sprtText(*c.sprt) : "none"});
    if (c.event != Event::Match && static_cast<size_t>(c.anchor) < c.field.size())
        s.push_back({"anchor", c.field[c.anchor].name});
    if (c.shards > 1)
        s.push_back({"shard", std::to_string(c.shard) + "/" + std::to_string(c.shards)});
    s.push_back({"version", c.version});
    s.push_back({"date", c.date});
    return s;
}

std::optional<std::string> settingsDiffer(const Settings& recorded, const Settings& now) {
    for (const auto& [name, value] : now) {
        if (mayChange(name)) continue;
        const std::string* old = findSetting(recorded, name);
        if (!old) return name + ": not recorded, now '" + escape(value, 120) + "'";
        if (*old != value)
            return name + ": recorded '" + escape(*old, 120) + "', now '" + escape(value, 120) +
                   "'";
    }
    for (const auto& [name, value] : recorded)
        if (!mayChange(name) && !findSetting(now, name))
            return name + ": recorded '" + escape(value, 120) + "', unknown now";
    return std::nullopt;
}

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

}  // namespace referee
