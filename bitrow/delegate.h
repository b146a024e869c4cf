// Hand-over of a board larger than this build plays to a wider build.
#pragma once

#include "bitrow/types.h"

namespace bitrow::BITROW_NS {

// Starts "support/shover16" (N up to 16) or "support/shover20" (N above 16), relative to
// the working directory, with a pipe as its standard input; writes it the size line
// "%d\n" and every unread byte of standard input, waits for it and ends the process with
// its exit code (128 + the signal number when it was killed). Returns only when no child
// could be started: in the calling process when pipe or fork failed, in the child when
// the program could not be executed.
void delegate(int n);

}  // namespace bitrow::BITROW_NS
