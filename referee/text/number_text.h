// Numbers as the referee writes them in records, settings, tables and messages.
#pragma once

#include <string>

namespace referee {

// The shortest form with at most `digits` significant digits ("%g"): 30, 0.5, 1e+06.
std::string shortNumber(double v, int digits = 6);

// A fixed number of decimals ("%.3f" for 3): 12.345. A value that rounds to zero has no
// sign: -0.001 with 2 decimals is "0.00", never "-0.00".
std::string fixedNumber(double v, int decimals);

}  // namespace referee
