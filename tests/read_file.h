// The whole content of a file the test or the program under test wrote ("" when unreadable).
#pragma once

#include <fstream>
#include <sstream>
#include <string>

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
