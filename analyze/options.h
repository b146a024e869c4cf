// The analyser's command line.
#pragma once

#include <string>
#include <vector>

#include "analyze/searcher.h"

namespace analyze {

struct Options {
    bool bench = false;  // the "bench" command
    bool benchShort = false;
    std::string suite;  // bench suite file; empty: the one kept in the repository

    EngineKind engine = EngineKind::BitRow;
    int width = 0;       // 0: the narrowest build that plays N
    int depth = 0;       // 0: the engine's own last depth
    double seconds = 0;  // 0: the engine's own budget
    bool board = false;
    bool quiet = false;
    std::string file;  // empty: standard input
    bool help = false;
};

// Parses the arguments after the program name. An error message, or empty.
std::string parseOptions(const std::vector<std::string>& args, Options& options);

extern const char* const usageText;

}  // namespace analyze
