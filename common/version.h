#pragma once
// The tools' version: `git describe` of the tree they were built from.

namespace common {

// For example "77cdc20" or "77cdc20-dirty"; "unknown" when built outside git.
const char* toolVersion();

}  // namespace common
