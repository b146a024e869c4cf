#include "referee/tournament.h"

#include <array>
#include <cstdio>
#include <map>

#include "referee/escape.h"
#include "referee/standings.h"

namespace referee {

const char* eventName(Event e) {
    switch (e) {
        case Event::RoundRobin:
            return "round-robin";
        case Event::Gauntlet:
            return "gauntlet";
        default:
            return "match";
    }
}

std::optional<Event> parseEvent(const std::string& text) {
    for (Event e : {Event::Match, Event::RoundRobin, Event::Gauntlet})
        if (text == eventName(e)) return e;
    return std::nullopt;
}

long long pairsOf(Event e, int players) {
    if (players < 2) return 0;
    long long p = players;
    switch (e) {
        case Event::RoundRobin:
            return p * (p - 1) / 2;
        case Event::Gauntlet:
            return p - 1;
        default:
            return 1;
    }
}

std::pair<int, int> pairAt(Event e, int players, long long k) {
    if (e == Event::Gauntlet) return {0, static_cast<int>(k) + 1};
    if (e == Event::Match) return {0, 1};
    // Row i holds the players - 1 - i pairs (i, j > i).
    int i = 0;
    while (i < players - 1 && k >= players - 1 - i) {
        k -= players - 1 - i;
        i++;
    }
    return {i, i + 1 + static_cast<int>(k)};
}

std::vector<RatedGame> ratedGames(const std::vector<GameRecord>& records,
                                  const std::vector<std::string>& names) {
    std::map<std::string, int> index;
    for (size_t i = 0; i < names.size(); i++) index.emplace(names[i], static_cast<int>(i));
    std::vector<RatedGame> games;
    for (const GameRecord& r : records) {
        auto x = index.find(r.x), o = index.find(r.o);
        if (x == index.end() || o == index.end() || x->second == o->second) continue;
        double result = r.winner == Winner::X ? 1 : r.winner == Winner::O ? 0 : 0.5;
        games.push_back({x->second, o->second, result});
    }
    return games;
}

std::string tournamentText(Event e, int size, const std::vector<std::string>& names, int anchor,
                           const std::vector<GameRecord>& records) {
    std::vector<std::string> shown;
    for (const std::string& n : names) shown.push_back(escape(n, 40));
    std::vector<RatedGame> games = ratedGames(records, names);
    char buf[512];
    snprintf(buf, sizeof buf, "%d game%s, N = %d, %s of %d players\n",
             static_cast<int>(records.size()), records.size() == 1 ? "" : "s", size, eventName(e),
             static_cast<int>(names.size()));
    std::string text = buf;
    for (const std::string& line : crossTableLines(games, shown)) text += line + "\n";
    text += "\n";
    RatingList list;
    if (auto wrong = rateGames(static_cast<int>(names.size()), games, anchor, list))
        text += "no ratings: " + *wrong + "\n";
    else
        for (const std::string& line : ratingListLines(list, shown)) text += line + "\n";
    // Losses by kind, for the players who lost any other way than on the board.
    std::vector<std::array<int, 6>> lost(names.size());
    std::map<std::string, int> index;
    for (size_t i = 0; i < names.size(); i++) index.emplace(names[i], static_cast<int>(i));
    for (const GameRecord& r : records) {
        if (r.winner == Winner::None) continue;
        auto loser = index.find(r.winner == Winner::X ? r.o : r.x);
        if (loser != index.end()) lost[loser->second][static_cast<int>(r.loss)]++;
    }
    for (size_t i = 0; i < names.size(); i++) {
        const auto& l = lost[i];
        if (l[static_cast<int>(Loss::Time)] + l[static_cast<int>(Loss::Crash)] +
                l[static_cast<int>(Loss::Illegal)] ==
            0)
            continue;
        snprintf(buf, sizeof buf, "%s lost by time %d, crash %d, illegal %d\n", shown[i].c_str(),
                 l[static_cast<int>(Loss::Time)], l[static_cast<int>(Loss::Crash)],
                 l[static_cast<int>(Loss::Illegal)]);
        text += buf;
    }
    return text;
}

}  // namespace referee
