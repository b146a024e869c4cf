// The player's own command line. The referee runs it without arguments and the driver reads
// none, with one exception: -h, --help or --version as the only argument ask what the
// program is, and it says so without reading its input.
#pragma once

namespace bitrow::BITROW_NS {

// With exactly one argument, -h, --help or --version: writes the help text or the version
// line to standard output and returns the exit status (0, or 1 when standard output
// failed). For any other arguments, which the player ignores, returns -1.
int answerInfoRequest(int argc, char** argv);

}  // namespace bitrow::BITROW_NS
