// `referee tally`: the table of record files, such as the shards of one run.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace referee {

// `referee tally [--json FILE] [--anchor NAME] FILE...`: the table on `out`, notes and
// errors on `err`.
// Returns 0, 1 when the files do not add up, 2 for a wrong command line.
int tallyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace referee
