// `referee tally FILE...`: the table of record files of one run, such as its shards.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>
#include <vector>

namespace referee {

struct TallyArgs {
    std::vector<std::string> files;
    std::string json, anchor;
    bool noFirstMove = false;
};

// Declares the subcommand's arguments on `sub`, bound to `a`.
void declareTally(CLI::App& sub, TallyArgs& a);

// The table on `out`, notes and errors on `err`. Returns 0, 1 when the files do not add up
// or cannot be read, 2 for arguments that cannot work.
int runTally(const TallyArgs& a, std::ostream& out, std::ostream& err);

}  // namespace referee
