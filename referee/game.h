// One game between two players, judged with the plain model after every move.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/cell_model.h"
#include "referee/player.h"
#include "referee/record.h"

namespace referee {

struct GameSetup {
    int size = 6;
    std::vector<model::Move> opening;  // played before the players take over
    int game = -1, openingIndex = -1;
    const PlayerSetup* x = nullptr;
    const PlayerSetup* o = nullptr;
    int maxPlies = 400;  // reaching it, opening included, ends the game as a draw
    double margin = 1;   // seconds of grace over each player's time per move
    // Copied into the record when set.
    const std::vector<std::pair<std::string, std::string>>* settings = nullptr;
    // When set, gets the board after every move.
    std::function<void(const std::string&)> show;
};

// Plays the game; nothing when the referee was asked to stop in the middle of it.
std::optional<GameRecord> playGame(const GameSetup& setup);

}  // namespace referee
