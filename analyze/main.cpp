// analyze: watch the players' searches on a position, and the bench.
#include <cstdio>
#include <string>
#include <vector>

#include "analyze/analysis.h"
#include "analyze/bench.h"
#include "analyze/options.h"

int main(int argc, char** argv) {
    using namespace analyze;
    Options options;
    const std::string error =
        parseOptions(std::vector<std::string>(argv + 1, argv + argc), options);
    if (!error.empty()) {
        std::fprintf(stderr, "analyze: %s\n(analyze --help shows the options)\n", error.c_str());
        return 2;
    }
    if (!options.infoText.empty()) {
        std::fputs(options.infoText.c_str(), stdout);
        return 0;
    }
    if (options.bench) return runBench(options.suite, options.benchShort, stdout, stderr);
    return runAnalysis(options, stdout, stderr);
}
