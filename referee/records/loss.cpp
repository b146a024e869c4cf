#include "referee/records/loss.h"

namespace referee {

const char* lossName(Loss l) {
    switch (l) {
        case Loss::None:
            return "none";
        case Loss::Time:
            return "time";
        case Loss::Crash:
            return "crash";
        case Loss::Illegal:
            return "illegal";
        case Loss::Repetition:
            return "repetition";
        case Loss::Straights:
            return "straights";
    }
    return "none";
}

std::optional<Loss> parseLoss(const std::string& text) {
    for (Loss l :
         {Loss::None, Loss::Time, Loss::Crash, Loss::Illegal, Loss::Repetition, Loss::Straights})
        if (text == lossName(l)) return l;
    return std::nullopt;
}

}  // namespace referee
