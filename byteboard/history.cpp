#include "byteboard/history.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace byteboard::BYTEBOARD_NS {

namespace {

void* plainrealloc(void* old, std::size_t bytes) {
    return std::realloc(old, bytes);
}

void outofmemory() {
    std::fputs("out of memory\n", stderr);
    std::exit(1);
}

}  // namespace

historystate history = {nullptr, 0, 0, outofmemory, plainrealloc};

bool inithist() {
    if (!history.hist) {
        void* p = history.histrealloc(nullptr, histstart * sizeof(posrec));
        if (!p) return false;
        history.hist = static_cast<posrec*>(p);
        history.hmax = histstart;
    }
    history.hno = 0;
    std::memset(&history.hist[0], 0, sizeof(posrec));
    return true;
}

void growhist() {
    if (history.hmax <= INT32_MAX / histgrowth) {
        const int32_t more = history.hmax * histgrowth;
        void* p =
            history.histrealloc(history.hist, static_cast<std::size_t>(more) * sizeof(posrec));
        if (p) {
            history.hist = static_cast<posrec*>(p);
            history.hmax = more;
            return;
        }
    }
    history.hno--;
    history.growfailed();
    std::abort();  // growfailed must not return: there is no record to play the move into
}

}  // namespace byteboard::BYTEBOARD_NS
