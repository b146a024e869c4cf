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
    std::string text = buf;
    // A small negative value rounds to zero: the sign would only confuse ("-0.00").
    if (text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos) text.erase(0, 1);
    return text;
}

}  // namespace referee
