#include "analyze/options.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace analyze {

const char* const usageText =
    "usage: analyze [--engine bitrow|byteboard] [--width 8|16|32] [--depth D] [--time S]\n"
    "               [--board] [--quiet] [RECORD]\n"
    "       analyze bench [--short] [--suite FILE]\n"
    "Searches the position of a game record (size line, then one move per line; standard\n"
    "input without RECORD) and prints one info line per iteration and the best move.\n";

namespace {

// The deepest iteration of each engine; the first is depth 3 in both.
constexpr int firstDepth = 3;
constexpr int bitRowLastDepth = 36;
constexpr int byteBoardLastDepth = 999;
// About eleven days: far beyond any use, and well inside the timers' range.
constexpr double longestBudget = 1e6;

bool wholeNumber(const std::string& text, long& value) {
    if (text.empty() || text[0] == ' ' || text[0] == '+' || text[0] == '-') return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && *end == 0;
}

bool seconds(const std::string& text, double& value) {
    if (text.empty() || !((text[0] >= '0' && text[0] <= '9') || text[0] == '.')) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && *end == 0 && std::isfinite(value);
}

}  // namespace

std::string parseOptions(const std::vector<std::string>& args, Options& o) {
    o = Options{};
    size_t i = 0;
    if (!args.empty() && args[0] == "bench") {
        o.bench = true;
        i = 1;
    }
    bool depthGiven = false;
    for (; i < args.size(); i++) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (o.bench) {
            if (a == "--short") {
                o.benchShort = true;
            } else if (a == "--suite") {
                if (!value(o.suite)) return "--suite needs a file";
            } else {
                return "unknown bench option '" + a + "'";
            }
        } else if (a == "--engine") {
            if (!value(v)) return "--engine needs bitrow or byteboard";
            if (v == "bitrow")
                o.engine = EngineKind::BitRow;
            else if (v == "byteboard")
                o.engine = EngineKind::ByteBoard;
            else
                return "--engine must be bitrow or byteboard, not '" + v + "'";
        } else if (a == "--width") {
            long w = 0;
            if (!value(v) || !wholeNumber(v, w) || (w != 8 && w != 16 && w != 32))
                return "--width must be 8, 16 or 32";
            o.width = static_cast<int>(w);
        } else if (a == "--depth") {
            long d = 0;
            if (!value(v) || !wholeNumber(v, d) || d < firstDepth || d > byteBoardLastDepth)
                return "--depth must be a whole number from 3 (36 at most for the bit-row "
                       "engine, 999 for the byte-board engine)";
            o.depth = static_cast<int>(d);
            depthGiven = true;
        } else if (a == "--time") {
            if (!value(v) || !seconds(v, o.seconds) || !(o.seconds > 0) ||
                o.seconds > longestBudget)
                return "--time must be a number of seconds above 0 (fractions allowed), at "
                       "most 1000000";
        } else if (a == "--board") {
            o.board = true;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option '" + a + "'";
        } else if (!o.file.empty()) {
            return "only one record file, not also '" + a + "'";
        } else {
            o.file = a;
        }
    }
    if (o.engine == EngineKind::ByteBoard && o.width != 0)
        return "--width is for the bit-row engine only";
    if (depthGiven && o.engine == EngineKind::BitRow && o.depth > bitRowLastDepth)
        return "--depth must be from 3 to 36 for the bit-row engine";
    return "";
}

}  // namespace analyze
