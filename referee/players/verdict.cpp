#include "referee/players/verdict.h"

#include <cstdio>

#include "referee/text/escape.h"
#include "referee/text/number_text.h"

namespace referee {

namespace {

std::string howItEnded(const RunResult& run) {
    switch (run.end) {
        case RunResult::End::Exited:
            return "exited with status " + std::to_string(run.status);
        case RunResult::End::Signalled:
            return "killed by signal " + std::to_string(run.status);
        case RunResult::End::Killed:
            return "killed at the deadline";
        case RunResult::End::StartFailed:
            return "could not start: " + run.error;
        case RunResult::End::Interrupted:
            return "interrupted";
        case RunResult::End::KeeperLost:
            return "was cut off: its keeper process was killed";
    }
    return "";
}

std::string seconds(double s) {
    return fixedNumber(s, 3) + " s";
}

}  // namespace

Turn judgeRun(const RunResult& run, int n, double limit) {
    Turn turn;
    turn.seconds = run.answerSeconds;
    if (run.end == RunResult::End::StartFailed || run.end == RunResult::End::Interrupted) {
        turn.loss = Loss::Crash;
        turn.why = howItEnded(run);
        return turn;
    }
    if (!run.answered) {
        turn.loss = Loss::Time;
        turn.why = "no answer within " + seconds(limit);
        return turn;
    }
    if (run.outCut) {
        turn.loss = Loss::Illegal;
        turn.why = "answered more than " + std::to_string(run.out.size()) + " bytes ('" +
                   escape(run.out, 20) + "')";
        return turn;
    }
    bool clean = run.end == RunResult::End::Exited && run.status == 0;
    std::string line = run.out;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    std::optional<model::Move> move;
    move = model::parseMove(line, n);
    if (move) {
        turn.move = move;
        if (!clean) turn.note = "answered, then " + howItEnded(run);
        return turn;
    }
    if (run.out.empty()) {
        turn.loss = Loss::Crash;
        turn.why = clean ? "exited without answering" : howItEnded(run) + " without answering";
    } else if (!clean && run.out.find('\n') == std::string::npos) {
        turn.loss = Loss::Crash;
        turn.why = howItEnded(run) + " in the middle of the answer '" + escape(run.out, 40) + "'";
    } else {
        turn.loss = Loss::Illegal;
        turn.why = "answered '" + escape(line, 40) +
                   "', not one line with a move of N = " + std::to_string(n);
    }
    return turn;
}

}  // namespace referee
