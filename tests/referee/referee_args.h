// The referee's command line parsed as its main parses it: the error text, or "" when the
// words were taken.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "referee/cli/options.h"

inline std::string parseRefereeArgs(std::vector<std::string> args, referee::Options& o) {
    CLI::App app;
    referee::declareOptions(app, o);
    std::vector<char*> argv{const_cast<char*>("referee")};
    for (std::string& a : args) argv.push_back(a.data());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
        referee::finishOptions(app, o);
    } catch (const CLI::ParseError& e) {
        return e.what();
    }
    return "";
}
