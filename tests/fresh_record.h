// Random game records that never repeat a position, made on the cell model.
#pragma once

#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "model/cell_model.h"

namespace testrecords {

// A record of `count` moves of size n that never repeats a position.
inline std::string freshRecord(int n, int count, unsigned seed) {
    std::mt19937 rng(seed);
    model::Board b(n);
    model::Piece who = model::Piece::X;
    std::set<std::pair<std::string, int>> seen;
    auto key = [&] {
        std::string k;
        for (int r = 0; r < n; r++)
            for (int c = 0; c < n; c++) k += model::pieceChar(b.at(r, c));
        return std::make_pair(k, static_cast<int>(who));
    };
    seen.insert(key());
    std::string text;
    const std::vector<model::Move> all = model::allMoves(n);
    for (int i = 0; i < count; i++) {
        for (;;) {
            const model::Board before = b;
            const model::Move m = all[rng() % all.size()];
            b.push(m, who);
            who = model::opponent(who);
            if (seen.insert(key()).second) {
                text += model::moveName(m) + "\n";
                break;
            }
            b = before;
            who = model::opponent(who);
        }
    }
    return text;
}

}  // namespace testrecords
