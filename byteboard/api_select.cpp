#include "byteboard/api.h"

namespace byteboard {

const Engine* engineFor(int n) {
    if (n == engine6.size) return &engine6;
    if (n == engine7.size) return &engine7;
    return nullptr;
}

}  // namespace byteboard
