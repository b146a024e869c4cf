#include "analyze/where.h"

#include <unistd.h>

namespace analyze {

std::string dataDir() {
    const std::string tail = std::string("share/") + projectName;
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof path - 1)) return tail;
    std::string exe(path, static_cast<size_t>(n));
    // PREFIX/bin/analyze -> PREFIX/
    const size_t slash = exe.rfind('/');
    const std::string bin = exe.substr(0, slash == std::string::npos ? 0 : slash);
    const size_t up = bin.rfind('/');
    if (up == std::string::npos) return tail;
    return bin.substr(0, up + 1) + tail;
}

}  // namespace analyze
