// Checks a player before a match: it must answer a position with a single winning move
// with that move, and an open position with a move, each within its time per move, using
// its own protocol. Catches a wrong protocol, a time it cannot keep and a wrong folder
// before any game is played and scored.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/cell_model.h"
#include "referee/players/player.h"

namespace referee {

struct ProbePosition {
    std::vector<model::Move> moves;  // the game so far
    std::optional<model::Move> win;  // the only move that wins at once, when there is one
    bool operator==(const ProbePosition&) const = default;
};

// The positions for size n, the same on every call: first one where exactly one move wins
// at once and no other move forces a win within three plies, then an open one. Nothing
// when no such position turns up (boards too small for one).
std::vector<ProbePosition> probePositions(int n);

// Runs the player on the probe positions of size n; the problem and what to check, or
// nothing. `side` is 'a' or 'b', for the option names in the advice, or 0
// for a tournament's player.
std::optional<std::string> probePlayer(const PlayerSetup& p, int n, double margin, char side);

}  // namespace referee
