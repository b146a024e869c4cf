#include "byteboard/evaluate.h"

namespace byteboard::BYTEBOARD_NS {

evalstate evaluation;

Score score(const posrec& rec, int32_t player) {
    return value(rec, player);
}

}  // namespace byteboard::BYTEBOARD_NS
