#include "referee/play/schedule.h"

#include <algorithm>
#include <map>

#include "referee/text/escape.h"

namespace referee {

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

Pairing pairing(const MatchConfig& c, int game) {
    int count = c.openings.empty() ? 1 : static_cast<int>(c.openings.size());
    if (c.event == Event::Match || c.perPair < 1) return {(game / 2) % count, game % 2 == 0};
    int w = game % c.perPair;
    auto [first, second] = pairAt(c.event, static_cast<int>(c.field.size()), game / c.perPair);
    return {(w / 2) % count, w % 2 == 0, first, second};
}

std::optional<std::string> checkPlace(const MatchConfig& c, const GameRecord& r) {
    const std::string g = "game " + std::to_string(r.game);
    if (r.game < 0 || r.game >= c.games) return g + " is not one of this match";
    Pairing p = pairing(c, r.game);
    std::vector<const PlayerSetup*> all = entrants(c);
    const PlayerSetup& x = *all[p.aIsX ? p.first : p.second];
    const PlayerSetup& o = *all[p.aIsX ? p.second : p.first];
    if (r.x != x.name || r.o != o.name)
        return g + " was " + escape(r.x, 60) + " against " + escape(r.o, 60) +
               ", where the schedule has " + escape(x.name, 60) + " against " + escape(o.name, 60);
    if (r.size != c.size) return g + " is for another board size";
    return std::nullopt;
}

std::optional<std::string> checkRecord(const MatchConfig& c, const GameRecord& r) {
    if (auto wrong = checkPlace(c, r)) return wrong;
    const std::string g = "game " + std::to_string(r.game);
    if (!inShard(c, r.game))
        return g + " is not one of shard " + std::to_string(c.shard) + "/" +
               std::to_string(c.shards);
    Pairing p = pairing(c, r.game);
    const Opening& open = c.openings[p.opening];
    if (r.opening != p.opening || r.openingPlies != static_cast<int>(open.size()) ||
        r.moves.size() < open.size() || !std::equal(open.begin(), open.end(), r.moves.begin()))
        return g + " started from another opening";
    return std::nullopt;
}

std::optional<std::string> repeatedGames(const MatchConfig& c) {
    // Equal openings count as one: a file may hold the same opening twice, and short
    // random openings on small boards run out of distinct ones.
    std::map<std::string, int> firstOf;
    std::vector<int> canonical;
    for (size_t i = 0; i < c.openings.size(); i++) {
        std::string key;
        for (const model::Move& m : c.openings[i]) key += model::moveName(m) + " ";
        canonical.push_back(firstOf.emplace(key, static_cast<int>(i)).first->second);
    }
    std::map<std::pair<int, bool>, int> seen;
    // Every pair of a tournament plays the same games, so the first pair's are checked.
    const int games = c.event == Event::Match ? c.games : c.perPair;
    for (int g = 0; g < games; g++) {
        Pairing p = pairing(c, g);
        auto [at, fresh] = seen.emplace(std::pair{canonical[p.opening], p.aIsX}, g);
        if (!fresh)
            return "game " + std::to_string(g) + " would start like game " +
                   std::to_string(at->second) +
                   " (same opening, same colours): deterministic players would replay it. " +
                   std::to_string(games) + " games need " + std::to_string((games + 1) / 2) +
                   " distinct openings; give more openings or fewer --games, or --allow-repeats";
    }
    return std::nullopt;
}

}  // namespace referee
