// Fuzz target: game-record and opening files as the referee reads them (match resume and
// --openings). The first two bytes choose N and the opening length, the rest is the file.
// Checked: the good prefix ends inside the text at a record boundary and reads back the
// same complete records; every complete record survives writing and reading again (its
// settings exactly, its move times one per ply, its text unchanged the second time); the
// openings taken from the text are moves of this N, no longer than asked, and leave the
// game open.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "model/cell_model.h"
#include "referee/play/openings.h"
#include "referee/records/record.h"

namespace {

bool sameRecord(const referee::GameRecord& a, const referee::GameRecord& b) {
    return a.size == b.size && a.moves == b.moves && a.game == b.game && a.opening == b.opening &&
           a.openingPlies == b.openingPlies && a.x == b.x && a.o == b.o && a.winner == b.winner &&
           a.loss == b.loss && a.reason == b.reason && a.extra == b.extra &&
           a.settings == b.settings && a.moveTimes.size() == b.moveTimes.size() &&
           a.complete == b.complete;
}

size_t completeCount(const referee::RecordFile& f) {
    size_t k = 0;
    for (const auto& r : f.records) k += r.complete;
    return k;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int n = data[0] % 21 + 1;
    const int plies = static_cast<int>(data[1] % 12) - 1;  // -1: the whole record
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);

    const referee::RecordFile file = referee::parseRecords(text);
    FUZZ_CHECK(file.goodBytes <= text.size());
    for (const referee::GameRecord& r : file.records) {
        FUZZ_CHECK(r.size >= 1 && r.size <= model::kMaxSize);
        for (const model::Move& m : r.moves) FUZZ_CHECK(m.line >= 1 && m.line <= r.size);
        if (!r.complete) continue;
        FUZZ_CHECK(r.moveTimes.empty() || r.moveTimes.size() == r.moves.size());
        for (double t : r.moveTimes) FUZZ_CHECK(t == -1 || (t >= 0 && t <= 1e9));
        const std::string written = referee::formatRecord(r);
        const referee::RecordFile again = referee::parseRecords(written);
        FUZZ_CHECK(again.problems.empty() && again.records.size() == 1);
        FUZZ_CHECK(sameRecord(again.records[0], r));
        FUZZ_CHECK(referee::formatRecord(again.records[0]) == written);
    }
    // What a resumed match keeps: the complete records of the good prefix, nothing lost.
    const referee::RecordFile prefix = referee::parseRecords(text.substr(0, file.goodBytes));
    FUZZ_CHECK(completeCount(prefix) == completeCount(file));
    FUZZ_CHECK(prefix.goodBytes == file.goodBytes);

    std::vector<referee::Opening> openings;
    if (!referee::openingsFromText(text, "fuzz", n, plies, openings)) {
        FUZZ_CHECK(!openings.empty());
        for (const referee::Opening& o : openings) {
            FUZZ_CHECK(plies < 0 || static_cast<int>(o.size()) <= plies);
            for (const model::Move& m : o) FUZZ_CHECK(m.line >= 1 && m.line <= n);
            FUZZ_CHECK(!referee::decidingPly(n, o).has_value());
        }
    }
    return 0;
}
