#include "referee/players/program_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace referee {

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string findProgram(const std::string& word) {
    if (word.find('/') != std::string::npos) return isExecutableFile(word) ? word : "";
    const char* path = getenv("PATH");
    if (!path) return "";
    const std::string dirs = path;
    for (size_t from = 0; from <= dirs.size();) {
        size_t to = dirs.find(':', from);
        if (to == std::string::npos) to = dirs.size();
        const std::string d = dirs.substr(from, to - from);
        const std::string candidate = (d.empty() ? "." : d) + "/" + word;
        if (isExecutableFile(candidate)) return candidate;
        from = to + 1;
    }
    return "";
}

std::string absolutePath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string out = real;
    free(real);
    return out;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace referee
