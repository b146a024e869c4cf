// The referee's command line: `referee [play] OPTIONS` (the default), `referee report` and
// `referee tally`, parsed in one CLI11 application with help and errors in one style.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace referee {

// Runs the command the words name (without the program's own name); returns the exit
// status: 0 done, 1 failed, 2 a command line that cannot work, 130 stopped.
int runReferee(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace referee
