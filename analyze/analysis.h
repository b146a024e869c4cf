// One analysis: read the record, search it, print what the search does.
#pragma once

#include <cstdio>

#include "analyze/options.h"

namespace analyze {

// Runs the analysis the options ask for, writing to out and messages to err. Returns the
// exit status: 0 answered, 1 the record or the options could not be used, or the output
// could not be written.
int runAnalysis(const Options& options, std::FILE* out, std::FILE* err);

}  // namespace analyze
