#include "common/version.h"

#include <cstdio>
#include <cstring>

#include "version_string.h"

namespace common {

const char* toolVersion() {
    return TOOL_VERSION_STRING;
}

const char* versionNumber() {
    return PROJECT_VERSION_NUMBER;
}

const char* versionLine(const char* program) {
    static char line[256];
    std::snprintf(line, sizeof line, "%s %s (commit %s)", program, versionNumber(), toolVersion());
    return line;
}

int answerInfoRequest(int argc, char** argv, const char* program, void (*writeHelp)(std::FILE*)) {
    if (argc != 2) return -1;
    const char* arg = argv[1];
    if (std::strcmp(arg, "--version") == 0)
        std::printf("%s\n", versionLine(program));
    else if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)
        writeHelp(stdout);
    else
        return -1;
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace common
