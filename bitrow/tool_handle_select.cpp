#include "bitrow/tool_handle.h"

#include <initializer_list>

namespace bitrow {

const ToolHandle* handleFor(int n) {
    for (const ToolHandle* e : {&handle8, &handle16, &handle32})
        if (n >= 1 && n <= e->rowLimit) return e;
    return nullptr;
}

const ToolHandle* handleForWidth(int width) {
    for (const ToolHandle* e : {&handle8, &handle16, &handle32})
        if (e->width == width) return e;
    return nullptr;
}

}  // namespace bitrow
