#include "analyze/analysis.h"

#include <unistd.h>

#include "analyze/record.h"
#include "analyze/report.h"
#include "analyze/verdict.h"
#include "bitrow/types.h"
#include "byteboard/types.h"
#include "referee/records/files.h"

namespace analyze {

namespace {

// The players' own budgets, shown in the progress line when no --time is given.
constexpr double bitRowBudget = bitrow::turnBudgetMicros / 1e6;
constexpr double byteBoardBudget = byteboard::budgetseconds;
// Reads the record the options name from the input's text: the first one, or with --game
// the one marked with that game number. An error message, or empty.
std::string readChosenRecord(const Options& o, const std::string& text, Record& record) {
    RecordStatus status;
    if (o.game < 0) {
        status = readRecordText(text, record);
    } else {
        std::string chosen;
        if (!findGame(text, o.game, chosen))
            return "no record with '# game: " + std::to_string(o.game) + "' in the input";
        status = readRecordText(chosen, record);
    }
    if (status == RecordStatus::BadSize)
        return "the size line must give N from 1 to " + std::to_string(largestSize);
    if (status == RecordStatus::TooLong) return "game record too long";
    if (o.ply >= 0) {
        if (static_cast<size_t>(o.ply) > record.moves.size())
            return "--ply " + std::to_string(o.ply) + ": the record has only " +
                   std::to_string(record.moves.size()) + " plies";
        record.moves.resize(static_cast<size_t>(o.ply));
    }
    return "";
}

const char* sideName(int player) {
    return player == 1 ? "X" : "O";
}

const Move* lastMove(const Record& record) {
    return record.moves.empty() ? nullptr : &record.moves.back();
}

}  // namespace

namespace {

// The record to analyse, from the file or standard input, each read whole up to the size
// of a record file; an error message, or empty.
std::string readInput(const Options& o, Record& record) {
    const referee::FileRead input =
        o.file.empty() || o.file == "-"
            ? referee::readWholeStream(STDIN_FILENO, "standard input", referee::kRecordFileLimit)
            : referee::readWholeFile(o.file, referee::kRecordFileLimit);
    if (!input.error.empty()) return input.error;
    return readChosenRecord(o, input.text, record);
}

// A finished game is reported, not searched: with --board the decided position, or the one
// the repeating move was played from, then the verdict. The exit status.
int reportFinished(const Options& o, const Record& record, const Verdict& verdict, std::FILE* out) {
    if (o.board && !o.quiet) {
        Record shown = record;
        shown.moves.resize(verdict.ply - (verdict.repetition ? 1 : 0));
        std::string error;
        std::unique_ptr<Searcher> s = makeSearcher(EngineKind::BitRow, 0, shown.size, error);
        if (s && s->load(shown).empty()) std::fputs(boardText(*s, lastMove(shown)).c_str(), out);
    }
    std::fprintf(out, "%s\n", verdict.text.c_str());
    return std::fflush(out) == 0 && !std::ferror(out) ? 0 : 1;
}

}  // namespace

int runAnalysis(const Options& o, std::FILE* out, std::FILE* err) {
    Record record;
    std::string error = readInput(o, record);
    if (!error.empty()) {
        std::fprintf(err, "analyze: %s\n", error.c_str());
        return 1;
    }
    Verdict verdict;
    if (!judgeRecord(record, verdict, error)) {
        std::fprintf(err, "analyze: %s\n", error.c_str());
        return 1;
    }
    if (verdict.winner != 0) return reportFinished(o, record, verdict, out);

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
    if (o.board && !o.quiet) std::fputs(boardText(*searcher, lastMove(record)).c_str(), out);
    std::fflush(out);

    Limits limits;
    limits.depth = o.depth;
    limits.seconds = o.seconds;
    limits.timeoutPrefix = o.quiet ? "" : "bestmove ";
    if (!o.quiet) {
        const bool bitRow = o.engine == EngineKind::BitRow;
        const double budget = o.seconds > 0 ? o.seconds : bitRow ? bitRowBudget : byteBoardBudget;
        std::fprintf(err,
                     "analyze: searching N = %d after %zu plies, %s to move, engine %s, up to "
                     "depth %d or %g s\n",
                     record.size, record.moves.size(), sideName(searcher->toMove()),
                     searcher->name().c_str(),
                     o.depth > 0 ? o.depth
                     : bitRow    ? bitrow::lastDepth
                                 : byteboard::lastdepth,
                     budget);
        std::fflush(err);
    }
    InfoPrinter printer(out);
    const std::string best = searcher->search(limits, o.quiet ? nullptr : &printer);
    std::fprintf(out, "%s%s\n", o.quiet ? "" : "bestmove ", best.c_str());
    return std::fflush(out) == 0 && !std::ferror(out) ? 0 : 1;
}

}  // namespace analyze
