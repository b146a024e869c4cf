// A quick, legal stand-in player built on the plain model: it takes a winning move when
// there is one, else one that keeps the game open (chosen by the ply count, so that games
// differ), else the first move. Usage: model_player (bit-row input) or
// model_player --byteboard N [SECONDS] (moves only).
#include <cstdlib>
#include <iostream>
#include <string>

#include "model/cell_model.h"

int main(int argc, char** argv) {
    int n = 0;
    bool byteboard = argc >= 3 && std::string(argv[1]) == "--byteboard";
    std::string line;
    if (byteboard) {
        n = std::atoi(argv[2]);
    } else if (std::getline(std::cin, line)) {
        n = std::atoi(line.c_str());
    }
    if (n < 1 || n > model::kMaxSize) return 1;
    model::Game game(n);
    while (std::getline(std::cin, line)) {
        auto m = model::parseMove(line, n);
        if (!m) break;
        game.play(*m);
    }
    std::vector<model::Move> open;
    for (const model::Move& m : model::allMoves(n)) {
        model::Game trial = game;
        model::Outcome o = trial.play(m);
        if (o == model::Outcome::Won) {
            std::cout << model::moveName(m) << "\n";
            return 0;
        }
        if (o == model::Outcome::Open) open.push_back(m);
    }
    model::Move pick =
        open.empty() ? model::allMoves(n)[0] : open[(game.plies() * 7) % open.size()];
    std::cout << model::moveName(pick) << "\n";
    return 0;
}
