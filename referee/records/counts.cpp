#include "referee/records/counts.h"

#include <map>
#include <utility>

namespace referee {

Tally tally(const std::vector<GameRecord>& records, const std::string& name) {
    Tally t;
    for (const GameRecord& r : records) {
        bool isX = r.x == name, isO = r.o == name;
        if (!isX && !isO) continue;
        Wdl& colour = isX ? t.asX : t.asO;
        if (r.winner == Winner::None) {
            t.draws++;
            colour.draws++;
        } else if ((r.winner == Winner::X) == isX) {
            t.wins++;
            colour.wins++;
        } else {
            t.losses++;
            colour.losses++;
            t.lostBy[static_cast<int>(r.loss)]++;
        }
    }
    return t;
}

Pentanomial pairCounts(const std::vector<GameRecord>& records, const std::string& name) {
    // Half points of `name` per pair, and how many of the pair's games were seen.
    std::map<int, std::pair<int, int>> pairs;
    for (const GameRecord& r : records) {
        bool isX = r.x == name, isO = r.o == name;
        if ((!isX && !isO) || r.game < 0) continue;
        int half = r.winner == Winner::None ? 1 : (r.winner == Winner::X) == isX ? 2 : 0;
        auto& [points, games] = pairs[r.game / 2];
        points += half;
        games++;
    }
    Pentanomial p;
    for (const auto& [pair, pg] : pairs)
        if (pg.second == 2) p.n[pg.first]++;
    return p;
}

MoveTimes moveTimes(const std::vector<GameRecord>& records, const std::string& name,
                    double timePerMove) {
    MoveTimes t;
    double sum = 0;
    for (const GameRecord& r : records) {
        for (size_t i = 0; i < r.moveTimes.size(); i++) {
            double s = r.moveTimes[i];
            const std::string& mover = i % 2 == 0 ? r.x : r.o;  // X makes the even plies
            if (s < 0 || mover != name) continue;
            sum += s;
            if (t.moves == 0 || s > t.slowest) t.slowest = s;
            t.moves++;
        }
    }
    if (t.moves > 0) {
        t.mean = sum / t.moves;
        t.leastLeft = timePerMove - t.slowest;
    }
    return t;
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

}  // namespace referee
