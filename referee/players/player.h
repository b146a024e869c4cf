// A player as the referee knows it: a command line, the protocol it speaks, where it runs
// and its time per move; and one turn of it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/cell_model.h"
#include "referee/players/process.h"
#include "referee/players/protocol.h"
#include "referee/players/sandbox.h"
#include "referee/players/verdict.h"

namespace referee {

struct PlayerSetup {
    std::string name;               // for records and tables
    std::string command;            // as the user wrote it
    std::vector<std::string> argv;  // argv[0] resolved to an absolute path
    Protocol protocol = Protocol::BitRow;
    std::string dir;   // working directory
    double time = 30;  // seconds per move
    SandboxLimits sandbox;
    // Files a sandboxed player must not read (the match's records), absolute paths.
    std::vector<std::string> hidden;
};

// Builds a player from its command line: the program is looked up (relative to the
// current directory when it holds a '/', else on PATH) and must be an executable file;
// the working directory defaults to the program's folder. Returns an error text instead
// when that fails.
std::optional<std::string> makePlayer(const std::string& command, Protocol protocol,
                                      const std::string& dir, PlayerSetup& out);

// Runs the player for one turn of a game of size n (margin: seconds of grace), in the
// sandbox when it has one; a sandboxed player that loses as a crash has its limits named.
Turn playTurn(const PlayerSetup& player, int n, const std::vector<model::Move>& moves,
              double margin, RunResult* raw = nullptr);

}  // namespace referee
