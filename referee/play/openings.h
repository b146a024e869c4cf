// Openings: the first plies of each game, from a file of game records or drawn at random.
// An opening never decides the game: every one of its plies leaves it open.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/cell_model.h"

namespace referee {

using Opening = std::vector<model::Move>;

// Index of the first ply of the opening that does not leave the game open, or nothing.
std::optional<size_t> decidingPly(int n, const Opening& opening);

// Reads the openings of a file of records of size n, each cut to at most `plies` moves
// (negative: all). Returns an error text instead when the file cannot be read, holds a
// line that fits no record, a record of another size, or an opening that decides.
std::optional<std::string> loadOpenings(const std::string& path, int n, int plies,
                                        std::vector<Opening>& out);
// The same for the text of such a file; `name` stands for the file in the error texts.
std::optional<std::string> openingsFromText(const std::string& text, const std::string& name, int n,
                                            int plies, std::vector<Opening>& out);

// `count` openings of `plies` random plies each, every ply leaving the game open; the same
// seed gives the same openings, and opening i does not depend on count. Distinct while
// enough distinct ones exist. Nothing when no opening of that length exists.
std::optional<std::vector<Opening>> randomOpenings(int n, int plies, int count, uint64_t seed);

}  // namespace referee
