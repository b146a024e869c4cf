// `referee [play] OPTIONS`: a match or tournament played, its progress, boards and closing
// table printed, its report page and JSON written as asked.
#pragma once

#include <ctime>
#include <functional>
#include <ostream>
#include <string>

#include "referee/cli/options.h"

namespace referee {

// "referee-YYYYmmdd-HHMMSS.txt" for the UTC time `now`, with "-2", "-3", ... before the
// ending while `taken` says the name is in use: where the records go when no -o is given
// and standard output is a terminal.
std::string recordFileName(std::time_t now, const std::function<bool(const std::string&)>& taken);

// Builds the run from the options and plays it. Returns the exit status: 0 done, 1 failed,
// 2 for options that cannot work, 130 stopped.
int runPlay(const Options& o, std::ostream& out, std::ostream& err);

}  // namespace referee
