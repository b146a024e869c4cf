// `referee report FILE... -o PAGE`: the match report page of record files.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>
#include <vector>

namespace referee {

struct ReportArgs {
    std::vector<std::string> files;
    std::string output, title;
    bool noFirstMove = false;
};

// Declares the subcommand's arguments on `sub`, bound to `a`.
void declareReport(CLI::App& sub, ReportArgs& a);

// Writes the page; messages on `err`. Returns 0, 1 when a file cannot be read or written, 2
// when the page would overwrite a record file.
int runReport(const ReportArgs& a, std::ostream& out, std::ostream& err);

}  // namespace referee
