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

namespace {

// The half points `name` took in r (0 for a loss, 1 for a draw, 2 for a win); -1 when it
// did not play or the game has no number.
int halfPoints(const GameRecord& r, const std::string& name) {
    bool isX = r.x == name, isO = r.o == name;
    if ((!isX && !isO) || r.game < 0) return -1;
    return r.winner == Winner::None ? 1 : (r.winner == Winner::X) == isX ? 2 : 0;
}

}  // namespace

Pentanomial pairCounts(const std::vector<GameRecord>& records, const std::string& name) {
    // Half points of `name` per pair, and how many of the pair's games were seen.
    std::map<int, std::pair<int, int>> pairs;
    for (const GameRecord& r : records) {
        const int half = halfPoints(r, name);
        if (half < 0) continue;
        auto& [points, games] = pairs[r.game / 2];
        points += half;
        games++;
    }
    Pentanomial p;
    for (const auto& [pair, pg] : pairs)
        if (pg.second == 2) p.n[pg.first]++;
    return p;
}

double SprtCourse::add(const GameRecord& r) {
    added++;
    const int half = halfPoints(r, first);
    if (half >= 0) {
        auto [other, isNew] = halfPairs.emplace(r.game / 2, half);
        if (!isNew) {
            counted.n[other->second + half]++;
            halfPairs.erase(other);
            ratio = sprtLlr(s, counted);
        }
    }
    if (decision == SprtVerdict::Continue) {
        decision = sprtVerdict(s, ratio);
        if (decision != SprtVerdict::Continue) decidedAt = added;
    }
    return ratio;
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
