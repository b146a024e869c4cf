// Fuzz target: what the referee makes of a player's run. The first two bytes choose N and
// how the process ended, the rest is its standard output. An answer stands exactly when
// the output is one line holding a move of this N in its one spelling; every text the
// verdict quotes is printable and the escaping is undone by unescape.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/check.h"
#include "model/cell_model.h"
#include "referee/players/command_line.h"
#include "referee/players/player.h"
#include "referee/records/record.h"
#include "referee/text/escape.h"

namespace {

bool printable(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 || c >= 0x7f) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int n = data[0] % 23;  // 0 and 21, 22 lie outside the board sizes
    referee::RunResult run;
    run.end = static_cast<referee::RunResult::End>(data[1] % 5);
    run.status = (data[1] / 5) % 4 == 3 ? 9 : (data[1] / 5) % 4;
    run.answered = (data[1] & 0x40) == 0;
    run.outCut = (data[1] & 0x80) != 0;
    run.out.assign(reinterpret_cast<const char*>(data + 2), size - 2);
    run.answerSeconds = 1.5;

    const referee::Turn turn = referee::judgeRun(run, n, 30);
    std::string line = run.out;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    const bool usable = run.answered && !run.outCut &&
                        run.end != referee::RunResult::End::StartFailed &&
                        run.end != referee::RunResult::End::Interrupted;
    const auto parsed = model::parseMove(line, n);
    const bool shouldStand = usable && parsed && model::moveName(*parsed) == line;
    FUZZ_CHECK(turn.move.has_value() == shouldStand);
    if (turn.move) {
        FUZZ_CHECK(turn.move->line >= 1 && turn.move->line <= n);
        FUZZ_CHECK(turn.loss == referee::Loss::None && turn.why.empty());
    } else {
        FUZZ_CHECK(turn.loss != referee::Loss::None && !turn.why.empty());
    }
    FUZZ_CHECK(printable(turn.why) && printable(turn.note));

    // Quoting untrusted text: printable, bounded, and reversible when nothing is cut.
    const std::string whole = referee::escape(run.out, run.out.size() * 4 + 4);
    FUZZ_CHECK(printable(whole));
    FUZZ_CHECK(referee::unescape(whole) == run.out);
    const std::string shortForm = referee::escape(run.out, 40);
    FUZZ_CHECK(printable(shortForm) && shortForm.size() <= 40 + 4 + 3);

    // The command-line splitter sees the same bytes; quoting errors are refused, not fatal.
    if (auto words = referee::splitCommand(run.out)) FUZZ_CHECK(!words->empty());
    return 0;
}
