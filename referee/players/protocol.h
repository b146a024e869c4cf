// The two input protocols of the players: what a player reads for a turn, and how the
// protocol is named on the command line and in records.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/cell_model.h"

namespace referee {

enum class Protocol {
    BitRow,     // input: the size line, then the moves; no arguments
    ByteBoard,  // input: the moves only; the time in whole seconds appended as an argument
};

std::optional<Protocol> parseProtocol(const std::string& text);
const char* protocolName(Protocol p);

// What the player reads for a game of size n with these moves.
std::string playerInput(Protocol protocol, int n, const std::vector<model::Move>& moves);

}  // namespace referee
