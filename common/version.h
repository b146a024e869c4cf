#pragma once
// The version of every program of the project: the project's version number and the
// commit it was built from (`git describe` of the tree); and the players' answer to
// -h, --help and --version.

#include <cstdio>

namespace common {

// For example "77cdc20" or "77cdc20-dirty"; "unknown" when built outside git. Records carry
// it as the referee's version.
const char* toolVersion();

// The project's version number, "1.0.0".
const char* versionNumber();

// The one line every program prints for --version: its name, the version number, then
// the commit, as "shover8 1.0.0 (commit 77cdc20)", without a line end. The text lives in a
// buffer of its own that the next call overwrites; nothing is allocated, so the players
// use it too. A name too long for the buffer is cut.
const char* versionLine(const char* program);

// With exactly one argument, -h or --help: calls writeHelp(stdout); --version: writes the
// version line of program. Returns the exit status then (0, or 1 when standard output
// failed), and -1 for any other command line, which the caller reads as usual. The players'
// drivers call it first; the tools' option parsers answer these words themselves.
int answerInfoRequest(int argc, char** argv, const char* program, void (*writeHelp)(std::FILE*));

}  // namespace common
