// A player's command line as the user wrote it, split into words.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace referee {

// Splits a command line at blanks, with '...' and "..." quoting and \ escapes.
// Nothing when the quoting is unbalanced or there is no word.
std::optional<std::vector<std::string>> splitCommand(const std::string& line);

}  // namespace referee
