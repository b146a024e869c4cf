// The bench: a fixed suite of positions, each searched to a fixed depth from fresh engine
// state. The total node count is the signature of the searches' behaviour.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "analyze/searcher.h"

namespace analyze {

struct BenchEntry {
    EngineKind engine = EngineKind::BitRow;
    int depth = 0;
    std::string record;  // path of the record file
    bool inShort = false;
};

// Reads the suite: one entry per line, "<bitrow|byteboard> <depth> <record file> [short]",
// the path relative to the suite file; '#' starts a comment. An error message, or empty.
std::string readSuite(const std::string& path, std::vector<BenchEntry>& entries);

struct BenchResult {
    int size = 0;
    std::string engine;
    int depth = 0;
    std::uint64_t nodes = 0;
    std::int64_t micros = 0;
};

// Searches one entry; an error message, or empty.
std::string runEntry(const BenchEntry& entry, BenchResult& result);

// Runs the suite (its short form when asked), one line per position, then
// "OVERALL: <nodes> nodes <nps> nps". Returns the exit status.
int runBench(const std::string& suite, bool shortForm, std::FILE* out, std::FILE* err);

// The suite kept in the repository.
std::string defaultSuite();

}  // namespace analyze
