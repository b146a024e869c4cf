// Ratings of many players from all their games, by maximum likelihood in the Bradley-Terry
// model with draws in Davidson's form. With strengths s = 10^(rating / 400) and a draw
// parameter nu, a game between i and j ends
//     i wins    with probability  s_i / D
//     j wins    with probability  s_j / D
//     drawn     with probability  nu * sqrt(s_i s_j) / D,   D = s_i + s_j + nu * sqrt(s_i s_j).
// Wins over losses between two players is 10^(difference / 400), as with Elo. The first
// move is worth an advantage fitted with the ratings (unless turned off): X plays as if
// `firstMove` Elo stronger, s_x becoming s_x 10^(firstMove / 400) in the three
// probabilities. Each rating comes with a 95 % interval from the observed information
// (the curvature of the log-likelihood at its maximum), relative to the anchor, whose
// rating is 0 by definition. nu and the advantage are fitted with the ratings, under a
// weak prior worth three games between equal players (one won by X, one won by O, one
// drawn) that keeps nu finite and positive and the advantage finite on any games.
//
// Where the maximum is not finite the list says so instead of inventing numbers:
// a group of players who scored nothing at all against another group is infinitely far
// above or below it; players whose order relative to the anchor no game decides get no
// rating, nor do players not linked to the anchor by any chain of games.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace referee {

const int maxRatedPlayers = 1000;

struct RatedGame {
    int x = 0, o = 0;   // player indices
    double result = 0;  // for X: 1 win, 0.5 draw, 0 loss
};

struct PlayerRating {
    enum class Kind {
        Finite,     // elo with interval [low, high] (either bound may be infinite)
        Above,      // infinitely above the anchor: scored every point against the anchor's group
        Below,      // infinitely below the anchor
        Undecided,  // linked to the anchor, but the games leave its order to the anchor open
        Unlinked,   // no chain of games leads to the anchor (or no games at all)
    };
    Kind kind = Kind::Unlinked;
    double elo = 0, low = 0, high = 0;  // Finite only; +-infinity for Above / Below
    int games = 0;
    double points = 0;  // wins + draws / 2
};

struct RatingList {
    std::vector<PlayerRating> players;  // in input order
    int anchor = 0;
    // The draw parameter nu (1, the prior's, when no game bears on it); drawEqual =
    // nu / (2 + nu) is the chance of a draw between two equal players, the first move aside.
    double nu = 0, drawEqual = 0;
    // X's first-move advantage in Elo with its 95 % interval (0 [0, 0] when not fitted; 0,
    // the prior's, with a wide interval when no game bears on it).
    bool firstMoveFitted = false;
    double firstMove = 0, firstMoveLow = 0, firstMoveHigh = 0;
    int iterations = 0;      // Newton steps taken
    bool converged = false;  // the maximum was found (the gradient vanishes there)
};

// Refuses (with a message) a player index outside 0 .. players-1, a player against itself,
// a result other than 1, 0.5 or 0, an anchor that is not a player, and more than
// maxRatedPlayers players. fitFirstMove false leaves colours out of the model: X and O
// count alike.
std::optional<std::string> rateGames(int players, const std::vector<RatedGame>& games, int anchor,
                                     RatingList& out, bool fitFirstMove = true);

}  // namespace referee
