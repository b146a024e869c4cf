// The referee's options: what the user gives on the command line or in a config file, the
// parser that reads them, and the match they describe.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "referee/play/config.h"

namespace referee {

struct Options {
    struct Side {
        std::string command, proto = "bitrow", dir, name;
        std::optional<double> time;
        bool sandbox = false;       // this player in the sandbox
        std::optional<int> memory;  // its memory limit there, MiB
    } a, b;
    bool sandbox = false;                  // every player in the sandbox
    std::optional<int> memory, processes;  // the sandbox's limits for every player
    int size = 6;
    double time = 30, margin = 1;
    int maxPlies = 400;
    bool show = false;
    std::optional<int> games;
    std::string openings;
    std::optional<int> openingPlies, randomPlies;
    uint64_t seed = 1;
    int jobs = 1;
    std::string output;
    std::string report;  // the match report page, rewritten after every game
    bool resume = false, noCheck = false, allowRepeats = false;
    std::optional<std::vector<std::string>> sprt;  // "elo0=E0" ...; empty: all defaults
    std::vector<std::string> players;  // --player entries: "name=N cmd='...' proto=P ..."
    std::string tournament;            // round-robin or gauntlet; empty: a match
    std::string anchor;                // the player rated 0 (default the first)
    bool noFirstMove = false;          // rate X and O alike
    std::string shard;                 // "K/M"
    std::string json;                  // results as JSON, written at the end
};

// Reads one --player entry: blank-separated key=value words (values quoted like a command
// line) with keys name, cmd (required), proto, dir, time, sandbox (yes or no) and memory.
// The error text or nothing.
std::optional<std::string> parsePlayerEntry(const std::string& text, Options::Side& out);

// Reads "K/M" with 0 <= K < M. The error text or nothing.
std::optional<std::string> parseShard(const std::string& text, int& k, int& m);

// Declares every option on `app`, bound to `o`, with its default and range in the help.
void declareOptions(CLI::App& app, Options& o);

// What the parser leaves to be done once it has read everything: --sprt given without
// values means the test with its defaults.
void finishOptions(const CLI::App& app, Options& o);

// Checks the options together and builds the match: players found, openings loaded or
// drawn, the game list free of hidden repeats. The error text or nothing.
std::optional<std::string> buildMatch(const Options& o, MatchConfig& c);

}  // namespace referee
