#include "byteboard/tool_handle.h"

namespace byteboard {

const ToolHandle* handleFor(int n) {
    if (n == handle6.size) return &handle6;
    if (n == handle7.size) return &handle7;
    return nullptr;
}

}  // namespace byteboard
