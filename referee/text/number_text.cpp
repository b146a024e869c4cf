#include "referee/text/number_text.h"

#include <cstdio>

namespace referee {

std::string shortNumber(double v, int digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    return buf;
}

std::string fixedNumber(double v, int decimals) {
    char buf[400];  // room for the largest double written in full
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

}  // namespace referee
