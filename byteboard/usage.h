// The player's own command line beyond the time limit: -h, --help or --version as the only
// argument ask what the program is, and it says so without reading its input. With any
// other arguments these words are a time limit like any other (no digits: no alarm).
#pragma once

namespace byteboard::BYTEBOARD_NS {

// With exactly one argument, -h, --help or --version: writes the help text or the version
// line to standard output and returns the exit status (0, or 1 when standard output
// failed). For any other arguments returns -1: the first one is the time limit.
int answerInfoRequest(int argc, char** argv);

}  // namespace byteboard::BYTEBOARD_NS
