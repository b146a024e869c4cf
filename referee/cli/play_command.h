// `referee [play] OPTIONS`: a match or tournament played, its progress, boards and closing
// table printed, its report page and JSON written as asked.
#pragma once

#include <ostream>

#include "referee/cli/options.h"

namespace referee {

// Builds the run from the options and plays it. Returns the exit status: 0 done, 1 failed,
// 2 for options that cannot work, 130 stopped.
int runPlay(const Options& o, std::ostream& out, std::ostream& err);

}  // namespace referee
