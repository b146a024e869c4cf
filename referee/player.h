// A player as the referee knows it: a command line, the protocol it speaks, where it runs
// and its time per move; and one turn of it, judged from what the process did.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/cell_model.h"
#include "referee/process.h"

namespace referee {

enum class Protocol {
    BitRow,     // input: the size line, then the moves; no arguments
    ByteBoard,  // input: the moves only; the time in whole seconds appended as an argument
};

std::optional<Protocol> parseProtocol(const std::string& text);
const char* protocolName(Protocol p);

struct PlayerSetup {
    std::string name;               // for records and tables
    std::string command;            // as the user wrote it
    std::vector<std::string> argv;  // argv[0] resolved to an absolute path
    Protocol protocol = Protocol::BitRow;
    std::string dir;   // working directory
    double time = 30;  // seconds per move
};

// Splits a command line at blanks, with '...' and "..." quoting and \ escapes.
// Nothing when the quoting is unbalanced or there is no word.
std::optional<std::vector<std::string>> splitCommand(const std::string& line);

// Builds a player from its command line: the program is looked up (relative to the
// current directory when it holds a '/', else on PATH) and must be an executable file;
// the working directory defaults to the program's folder. Returns an error text instead
// when that fails.
std::optional<std::string> makePlayer(const std::string& command, Protocol protocol,
                                      const std::string& dir, PlayerSetup& out);

// What the player reads for a game of size n with these moves.
std::string playerInput(Protocol protocol, int n, const std::vector<model::Move>& moves);

// How a player can lose a game.
enum class Loss { None, Time, Crash, Illegal, Repetition, Straights };
const char* lossName(Loss l);
std::optional<Loss> parseLoss(const std::string& text);

struct Turn {
    std::optional<model::Move> move;  // set when the answer stands
    Loss loss = Loss::None;           // Time, Crash or Illegal when it does not
    std::string why;                  // for the record, when it does not
    std::string note;                 // remarks on an answer that stands
    double seconds = 0;
};

// The verdict on one run: exactly one line holding a move of this n stands as the answer
// (the line ending may be missing); anything else loses.
Turn judgeRun(const RunResult& run, int n, double limit);

// Runs the player for one turn of a game of size n (margin: seconds of grace).
Turn playTurn(const PlayerSetup& player, int n, const std::vector<model::Move>& moves,
              double margin, RunResult* raw = nullptr);

// Printable one-line form of untrusted text, at most max bytes of it.
std::string escape(const std::string& text, size_t max = 200);

}  // namespace referee
