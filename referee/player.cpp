#include "referee/player.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdlib>

namespace referee {

std::optional<Protocol> parseProtocol(const std::string& text) {
    if (text == "bitrow") return Protocol::BitRow;
    if (text == "byteboard") return Protocol::ByteBoard;
    return std::nullopt;
}

const char* protocolName(Protocol p) {
    return p == Protocol::BitRow ? "bitrow" : "byteboard";
}

std::optional<std::vector<std::string>> splitCommand(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (size_t i = 0; i < line.size(); i++) {
        char c = line[i];
        if (quote) {
            if (c == quote) {
                quote = 0;
            } else if (c == '\\' && quote == '"' && i + 1 < line.size() &&
                       (line[i + 1] == '"' || line[i + 1] == '\\')) {
                word += line[++i];
            } else {
                word += c;
            }
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == '\\') {
            if (i + 1 >= line.size()) return std::nullopt;
            word += line[++i];
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quote) return std::nullopt;
    if (inWord) words.push_back(word);
    if (words.empty()) return std::nullopt;
    return words;
}

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string absolute(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string out = real;
    free(real);
    return out;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

std::optional<std::string> makePlayer(const std::string& command, Protocol protocol,
                                      const std::string& dir, PlayerSetup& out) {
    auto words = splitCommand(command);
    if (!words) return "cannot read the command line '" + escape(command) + "'";
    std::string program = (*words)[0];
    std::string found;
    if (program.find('/') != std::string::npos) {
        if (isExecutableFile(program)) found = program;
    } else if (const char* path = getenv("PATH")) {
        std::string dirs = path;
        size_t from = 0;
        while (found.empty() && from <= dirs.size()) {
            size_t to = dirs.find(':', from);
            if (to == std::string::npos) to = dirs.size();
            std::string d = dirs.substr(from, to - from);
            std::string candidate = (d.empty() ? "." : d) + "/" + program;
            if (isExecutableFile(candidate)) found = candidate;
            from = to + 1;
        }
    }
    if (found.empty()) return "no executable program '" + escape(program) + "'";
    found = absolute(found);
    (*words)[0] = found;
    out.command = command;
    out.argv = *words;
    out.protocol = protocol;
    out.dir = dir.empty() ? folderOf(found) : absolute(dir);
    struct stat st {};
    if (stat(out.dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return "no folder '" + escape(out.dir) + "'";
    if (out.name.empty()) {
        size_t slash = program.rfind('/');
        out.name = slash == std::string::npos ? program : program.substr(slash + 1);
    }
    return std::nullopt;
}

std::string playerInput(Protocol protocol, int n, const std::vector<model::Move>& moves) {
    std::string text;
    if (protocol == Protocol::BitRow) text = std::to_string(n) + "\n";
    for (const model::Move& m : moves) text += model::moveName(m) + "\n";
    return text;
}

const char* lossName(Loss l) {
    switch (l) {
        case Loss::None:
            return "none";
        case Loss::Time:
            return "time";
        case Loss::Crash:
            return "crash";
        case Loss::Illegal:
            return "illegal";
        case Loss::Repetition:
            return "repetition";
        case Loss::Straights:
            return "straights";
    }
    return "none";
}

std::optional<Loss> parseLoss(const std::string& text) {
    for (Loss l :
         {Loss::None, Loss::Time, Loss::Crash, Loss::Illegal, Loss::Repetition, Loss::Straights})
        if (text == lossName(l)) return l;
    return std::nullopt;
}

std::string escape(const std::string& text, size_t max) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    size_t i = 0;
    for (; i < text.size() && out.size() < max; i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c >= 0x7f) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    if (i < text.size()) out += "...";
    return out;
}

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
    }
    return "";
}

std::string seconds(double s) {
    char buf[32];
    snprintf(buf, sizeof buf, "%.3f s", s);
    return buf;
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

Turn playTurn(const PlayerSetup& player, int n, const std::vector<model::Move>& moves,
              double margin, RunResult* raw) {
    RunRequest request;
    request.argv = player.argv;
    if (player.protocol == Protocol::ByteBoard) {
        double whole = std::floor(player.time);
        long s = whole < 1 ? 1 : whole > INT_MAX ? INT_MAX : static_cast<long>(whole);
        request.argv.push_back(std::to_string(s));
    }
    request.dir = player.dir;
    request.input = playerInput(player.protocol, n, moves);
    request.deadline = player.time + margin;
    RunResult run = runProcess(request);
    Turn turn = judgeRun(run, n, player.time + margin);
    if (raw) *raw = std::move(run);
    return turn;
}

}  // namespace referee
