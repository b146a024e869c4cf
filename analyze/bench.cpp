#include "analyze/bench.h"

#include <chrono>
#include <sstream>

#include "analyze/record.h"
#include "analyze/report.h"
#include "analyze/where.h"
#include "bitrow/types.h"
#include "referee/records/files.h"

namespace analyze {

namespace {

// Adds up the nodes of every iteration.
class NodeCounter : public IterationSink {
  public:
    void iteration(const Iteration& it) override { nodes += it.nodes; }
    std::uint64_t nodes = 0;
};

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

}  // namespace

std::string defaultSuite() {
    return dataDir() + "/bench/suite.txt";
}

std::string readSuite(const std::string& path, std::vector<BenchEntry>& entries) {
    entries.clear();
    const referee::FileRead suite = referee::readWholeFile(path, referee::kSmallFileLimit);
    if (!suite.error.empty()) return "the suite: " + suite.error;
    std::istringstream in(suite.text);
    std::string line;
    for (int lineNo = 1; std::getline(in, line); lineNo++) {
        const size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string engine, depth, file, mark, extra;
        if (!(words >> engine)) continue;
        const std::string where = path + ":" + std::to_string(lineNo) + ": ";
        words >> depth >> file >> mark >> extra;
        BenchEntry e;
        if (engine == "bitrow")
            e.engine = EngineKind::BitRow;
        else if (engine == "byteboard")
            e.engine = EngineKind::ByteBoard;
        else
            return where + "unknown engine '" + engine + "'";
        if (depth.empty() || depth.size() > 3 ||
            depth.find_first_not_of("0123456789") != std::string::npos)
            return where + "the depth must be a whole number";
        e.depth = std::stoi(depth);
        if (e.depth < bitrow::firstDepth ||
            (e.engine == EngineKind::BitRow && e.depth > bitrow::lastDepth))
            return where + "depth out of range";
        if (file.empty()) return where + "no record file";
        e.record = file[0] == '/' ? file : folderOf(path) + file;
        if (mark == "short")
            e.inShort = true;
        else if (!mark.empty())
            return where + "unexpected '" + mark + "'";
        if (!extra.empty()) return where + "unexpected '" + extra + "'";
        entries.push_back(e);
    }
    if (entries.empty()) return "the suite " + path + " holds no positions";
    return "";
}

std::string runEntry(const BenchEntry& entry, BenchResult& result) {
    const referee::FileRead file = referee::readWholeFile(entry.record, referee::kRecordFileLimit);
    if (!file.error.empty()) return file.error;
    Record record;
    const RecordStatus status = readRecordText(file.text, record);
    if (status != RecordStatus::Ok) return entry.record + ": not a usable record";
    std::string error;
    std::unique_ptr<Searcher> s = makeSearcher(entry.engine, 0, record.size, error);
    if (!s) return entry.record + ": " + error;
    error = s->load(record);  // fresh engine state, then the moves
    if (!error.empty()) return entry.record + ": " + error;
    Limits limits;
    limits.depth = entry.depth;
    limits.untimed = true;
    NodeCounter counter;
    const auto start = std::chrono::steady_clock::now();
    s->search(limits, &counter);
    result.micros = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    result.size = record.size;
    result.engine = s->name();
    result.depth = entry.depth;
    result.nodes = counter.nodes;
    return "";
}

int runBench(const std::string& suite, bool shortForm, std::FILE* out, std::FILE* err) {
    std::vector<BenchEntry> entries;
    std::string error = readSuite(suite.empty() ? defaultSuite() : suite, entries);
    if (!error.empty()) {
        std::fprintf(err, "analyze bench: %s\n", error.c_str());
        return 1;
    }
    std::uint64_t nodes = 0;
    std::int64_t micros = 0;
    for (const BenchEntry& e : entries) {
        if (shortForm && !e.inShort) continue;
        BenchResult r;
        error = runEntry(e, r);
        if (!error.empty()) {
            std::fprintf(err, "analyze bench: %s\n", error.c_str());
            return 1;
        }
        const size_t slash = e.record.rfind('/');
        std::fprintf(out, "N %2d  %-9s  depth %2d  nodes %11llu  time %7lld ms  nps %9llu  %s\n",
                     r.size, r.engine.c_str(), r.depth, static_cast<unsigned long long>(r.nodes),
                     static_cast<long long>(r.micros / 1000),
                     static_cast<unsigned long long>(nodesPerSecond(r.nodes, r.micros)),
                     e.record.c_str() + (slash == std::string::npos ? 0 : slash + 1));
        std::fflush(out);
        nodes += r.nodes;
        micros += r.micros;
    }
    std::fprintf(out, "OVERALL: %llu nodes %llu nps\n", static_cast<unsigned long long>(nodes),
                 static_cast<unsigned long long>(nodesPerSecond(nodes, micros)));
    return std::fflush(out) == 0 && !std::ferror(out) ? 0 : 1;
}

}  // namespace analyze
