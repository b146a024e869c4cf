#include "referee/settings.h"

#include <cstdio>

#include "referee/escape.h"
#include "referee/number_text.h"

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
    }
    s.push_back({"size", std::to_string(c.size)});
    s.push_back({"margin", number(c.margin)});
    s.push_back({"max-plies", std::to_string(c.maxPlies)});
    if (c.event != Event::Match) s.push_back({"games-per-pair", std::to_string(c.perPair)});
    s.push_back({"games", std::to_string(c.games)});
    s.push_back({"openings", c.openingsSource});
    s.push_back({"seed", std::to_string(c.seed)});
    s.push_back({"sprt", c.sprt ? "elo0=" + number(c.sprt->elo0) + " elo1=" + number(c.sprt->elo1) +
                                      " alpha=" + number(c.sprt->alpha) +
                                      " beta=" + number(c.sprt->beta)
                                : "none"});
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

}  // namespace referee
