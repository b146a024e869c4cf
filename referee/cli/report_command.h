// `referee report`: the match report page of record files.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace referee {

// "referee report FILE... -o report.html [--title T]"; returns the exit status.
int reportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace referee
