#include "bitrow/tool_handle.h"

#include <initializer_list>

namespace bitrow {

const Engine* narrowestEngineFor(int n) {
    for (const Engine* e : {&engine8, &engine16, &engine32})
        if (n >= 1 && n <= e->rowLimit) return e;
    return nullptr;
}

const Engine* engineWithWidth(int width) {
    for (const Engine* e : {&engine8, &engine16, &engine32})
        if (e->width == width) return e;
    return nullptr;
}

}  // namespace bitrow
