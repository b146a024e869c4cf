// The analyser's command line.
#pragma once

#include <string>
#include <vector>

#include "analyze/searcher.h"

namespace analyze {

struct Options {
    bool bench = false;  // the "bench" command
    bool benchShort = false;
    std::string suite;  // bench suite file; empty: the one installed beside the program

    EngineKind engine = EngineKind::BitRow;
    int width = 0;       // 0: the narrowest build that plays N
    int depth = 0;       // 0: the engine's own last depth
    double seconds = 0;  // 0: the engine's own budget
    int ply = -1;        // plies of the record to play before analysing; -1: all
    int game = -1;       // the record marked "# game: G" in a file of records; -1: the first
    bool board = false;
    bool quiet = false;
    std::string file;  // empty: standard input

    // Set when --help or --version was given: the text to print, and nothing else to do.
    std::string infoText;
};

// Parses the arguments after the program name. An error message naming the option and
// what it accepts, or empty.
std::string parseOptions(const std::vector<std::string>& args, Options& options);

}  // namespace analyze
