// One game between two players, judged with the plain model after every move.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/cell_model.h"
#include "referee/players/player.h"
#include "referee/records/record.h"

namespace referee {

// One step of a game as --show draws it.
struct GameEvent {
    enum class Kind {
        Opening,  // the opening has been played (ply: its length)
        Move,     // a player moved (move set)
        NoMove,   // a player lost without a move that stands (record->reason says how)
        Result,   // the game is over
    };
    Kind kind = Kind::Opening;
    int game = -1;
    int ply = 0;  // the ply just played, counted from 1
    bool x = true;
    const PlayerSetup* player = nullptr;  // the mover (Move, NoMove)
    std::optional<model::Move> move;
    double seconds = 0;
    const model::Board* board = nullptr;
    const GameRecord* record = nullptr;  // the record so far
};

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
    // When set, gets every step of the game.
    std::function<void(const GameEvent&)> show;
};

// Plays the game; nothing when the referee was asked to stop in the middle of it.
std::optional<GameRecord> playGame(const GameSetup& setup);

}  // namespace referee
