#include "analyze/analysis.h"

#include "analyze/record.h"
#include "analyze/report.h"

namespace analyze {

int runAnalysis(const Options& o, std::FILE* out, std::FILE* err) {
    std::FILE* in = stdin;
    if (!o.file.empty() && o.file != "-") {
        in = std::fopen(o.file.c_str(), "r");
        if (!in) {
            std::fprintf(err, "analyze: cannot open %s\n", o.file.c_str());
            return 1;
        }
    }
    Record record;
    const RecordStatus status = readRecord(in, record);
    if (in != stdin) std::fclose(in);
    if (status == RecordStatus::BadSize) {
        std::fprintf(err, "analyze: the size line must give N from 1 to %d\n", largestSize);
        return 1;
    }
    if (status == RecordStatus::TooLong) {
        std::fputs("analyze: game record too long\n", err);
        return 1;
    }

    std::string error;
    std::unique_ptr<Searcher> searcher = makeSearcher(o.engine, o.width, record.size, error);
    if (!searcher) {
        std::fprintf(err, "analyze: %s\n", error.c_str());
        return 1;
    }
    error = searcher->load(record);
    if (!error.empty()) {
        std::fprintf(err, "analyze: %s\n", error.c_str());
        return 1;
    }
    if (o.board && !o.quiet) std::fputs(boardText(*searcher).c_str(), out);
    std::fflush(out);

    Limits limits;
    limits.depth = o.depth;
    limits.seconds = o.seconds;
    limits.timeoutPrefix = o.quiet ? "" : "bestmove ";
    InfoPrinter printer(out);
    const std::string best = searcher->search(limits, o.quiet ? nullptr : &printer);
    std::fprintf(out, "%s%s\n", o.quiet ? "" : "bestmove ", best.c_str());
    return std::fflush(out) == 0 && !std::ferror(out) ? 0 : 1;
}

}  // namespace analyze
