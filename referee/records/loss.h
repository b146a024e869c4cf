// How a player can lose a game, and the names of the ways in records.
#pragma once

#include <optional>
#include <string>

namespace referee {

enum class Loss { None, Time, Crash, Illegal, Repetition, Straights };

const char* lossName(Loss l);
std::optional<Loss> parseLoss(const std::string& text);

}  // namespace referee
