// Where the analyser finds its data: beside its own executable, the same way in the build
// tree and in an installed tree, so that the tree can be moved.
#pragma once

#include <string>

namespace analyze {

// The project's name in share/.
constexpr const char* projectName = "pushgame";

// PREFIX/share/pushgame for a program in PREFIX/bin (found through /proc/self/exe);
// "share/pushgame" relative to the working directory when the executable cannot be found.
std::string dataDir();

}  // namespace analyze
