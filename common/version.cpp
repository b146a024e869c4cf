#include "common/version.h"

#include "version_string.h"

namespace common {

const char* toolVersion() {
    return TOOL_VERSION_STRING;
}

}  // namespace common
