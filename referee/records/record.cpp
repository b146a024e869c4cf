#include "referee/records/record.h"

#include <charconv>
#include <cstdio>
#include <limits>
#include <optional>

#include "referee/text/escape.h"
#include "referee/text/number_text.h"

namespace referee {

const char* resultText(Winner w) {
    return w == Winner::X ? "1-0" : w == Winner::O ? "0-1" : "1/2-1/2";
}

namespace {

constexpr size_t kWhole = std::numeric_limits<size_t>::max();
constexpr long kMaxCount = 100000000;  // the largest game number, ply count or index read

std::optional<long> toLong(const std::string& s, long lo, long hi) {
    long v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi) return std::nullopt;
    return v;
}

std::optional<double> toSeconds(const std::string& s) {
    double v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !(v >= 0) || v > 1e9)
        return std::nullopt;
    return v;
}

// The key line "winner": x, o or none.
bool readWinner(const std::string& value, GameRecord& r) {
    if (value == "x")
        r.winner = Winner::X;
    else if (value == "o")
        r.winner = Winner::O;
    else if (value == "none")
        r.winner = Winner::None;
    else
        return false;
    return true;
}

// The key line "move-times": one entry per ply read, seconds or "-", one blank apart.
bool readMoveTimes(const std::string& value, GameRecord& r) {
    r.moveTimes.clear();
    if (!value.empty() && value.back() == ' ') return false;
    size_t pos = 0;
    while (pos < value.size()) {
        size_t space = value.find(' ', pos);
        if (space == std::string::npos) space = value.size();
        std::string item = value.substr(pos, space - pos);
        if (item == "-") {
            r.moveTimes.push_back(-1);
        } else {
            auto v = toSeconds(item);
            if (!v) return false;
            r.moveTimes.push_back(*v);
        }
        if (r.moveTimes.size() > r.moves.size()) return false;
        pos = space + 1;
    }
    return r.moveTimes.size() == r.moves.size();
}

// Applies one known key to the record; false when the value is not valid for it.
bool applyKey(GameRecord& r, const std::string& key, const std::string& value, int& seen) {
    auto asInt = [&](int& field, long lo, long hi) {
        auto v = toLong(value, lo, hi);
        if (v) field = static_cast<int>(*v);
        return v.has_value();
    };
    enum { kGame = 1, kX = 2, kO = 4, kSize = 8, kWinner = 16, kLoss = 32, kPlies = 64 };
    if (key == "game") return seen |= kGame, asInt(r.game, 0, kMaxCount);
    if (key == "opening") return asInt(r.opening, 0, kMaxCount);
    if (key == "opening-plies") return asInt(r.openingPlies, 0, kMaxCount);
    if (key == "x") return seen |= kX, r.x = unescape(value), true;
    if (key == "o") return seen |= kO, r.o = unescape(value), true;
    if (key == "reason") return r.reason = unescape(value), true;
    if (key == "size") {
        seen |= kSize;
        auto v = toLong(value, 1, model::kMaxSize);
        return v && *v == r.size;
    }
    if (key == "plies") {
        seen |= kPlies;
        auto v = toLong(value, 0, kMaxCount);
        return v && *v == static_cast<long>(r.moves.size());
    }
    if (key == "winner") return seen |= kWinner, readWinner(value, r);
    if (key == "loss") {
        seen |= kLoss;
        auto l = parseLoss(value);
        if (l) r.loss = *l;
        return l.has_value();
    }
    if (key == "time-x" || key == "time-o") {
        auto v = toSeconds(value);
        if (v) (key == "time-x" ? r.timeX : r.timeO) = *v;
        return v.has_value();
    }
    if (key == "result") return true;  // follows from the winner
    if (key == "move-times") return readMoveTimes(value, r);
    if (key.rfind("setting-", 0) == 0 && key.size() > 8) {
        for (const auto& kv : r.settings)
            if (kv.first == key.substr(8)) return false;  // one value per setting
        r.settings.push_back({key.substr(8), unescape(value)});
        return true;
    }
    r.extra.push_back({key, unescape(value)});
    return true;
}

constexpr int kAllKeys = 127;

}  // namespace

double recordedSeconds(double seconds) {
    return toSeconds(fixedNumber(seconds, 3)).value_or(seconds);
}

std::string formatRecord(const GameRecord& r) {
    std::string t = std::to_string(r.size) + "\n";
    for (const model::Move& m : r.moves) t += model::moveName(m) + "\n";
    // Keys are written byte for byte (a NUL in a kept key included), as they were read.
    auto key = [&](const std::string& k, const std::string& v) { t += "# " + k + ": " + v + "\n"; };
    if (r.game >= 0) key("game", std::to_string(r.game));
    if (r.opening >= 0) key("opening", std::to_string(r.opening));
    key("opening-plies", std::to_string(r.openingPlies));
    key("x", escape(r.x, kWhole));
    key("o", escape(r.o, kWhole));
    key("size", std::to_string(r.size));
    key("result", resultText(r.winner));
    key("winner", r.winner == Winner::X ? "x" : r.winner == Winner::O ? "o" : "none");
    key("loss", lossName(r.loss));
    key("reason", escape(r.reason, kWhole));
    key("plies", std::to_string(r.moves.size()));
    key("time-x", fixedNumber(r.timeX, 3));
    key("time-o", fixedNumber(r.timeO, 3));
    std::string times;
    for (size_t i = 0; i < r.moveTimes.size(); i++)
        times += (i ? " " : "") +
                 (r.moveTimes[i] < 0 ? std::string("-") : fixedNumber(r.moveTimes[i], 3));
    if (r.moveTimes.size() == r.moves.size()) key("move-times", times);
    for (const auto& [k, v] : r.settings) key("setting-" + k, escape(v, kWhole));
    for (const auto& [k, v] : r.extra) key(k, escape(v, kWhole));
    t += "# end\n\n";
    return t;
}

namespace {

// Reads a record file line by line: outside any record, in a record's moves, in its key
// lines, or in a record found broken (whose lines are skipped up to the next record).
class RecordReader {
  public:
    // One line, without its line end; terminated: a line end followed it; next: the offset
    // after it.
    void line(const std::string& text, bool terminated, size_t next);
    RecordFile done() {
        finish();
        return std::move(file);
    }

  private:
    enum class State { Outside, Moves, Keys, Broken };
    void finish();  // keeps the record being read, as incomplete
    void problem(const std::string& what) {
        file.problems.push_back("line " + std::to_string(lineNo) + ": " + what);
    }
    void endLine(bool terminated, size_t next);
    void keyLine(const std::string& text);
    void moveLine(const std::string& text);

    RecordFile file;
    State state = State::Outside;
    GameRecord cur;
    int seen = 0;  // the keys of kAllKeys read so far
    bool bad = false;
    int lineNo = 0;
    bool justEnded = false;  // the previous line ended a complete record
};

void RecordReader::finish() {
    if (state != State::Outside) {
        cur.complete = false;  // complete records end at their end line
        file.records.push_back(cur);
    }
    cur = GameRecord();
    seen = 0;
    bad = false;
    state = State::Outside;
}

void RecordReader::endLine(bool terminated, size_t next) {
    cur.complete = terminated && !bad && seen == kAllKeys;
    if (!cur.complete) problem("record incomplete at its end line");
    if (cur.complete) file.goodBytes = next, justEnded = true;
    file.records.push_back(cur);
    cur = GameRecord();
    seen = 0;
    bad = false;
    state = State::Outside;
}

void RecordReader::keyLine(const std::string& text) {
    state = State::Keys;
    size_t colon = text.find(": ");
    if (text.size() < 3 || text[1] != ' ' || colon == std::string::npos) {
        problem("not a key line");
        bad = true;
    } else if (!applyKey(cur, text.substr(2, colon - 2), text.substr(colon + 2), seen)) {
        problem("bad value for '" + escape(text.substr(2, colon - 2), 40) + "'");
        bad = true;
    }
}

void RecordReader::moveLine(const std::string& text) {
    auto m = model::parseMove(text, cur.size);
    if (m) {
        cur.moves.push_back(*m);
        return;
    }
    problem("'" + escape(text, 40) + "' is not a move of N = " + std::to_string(cur.size));
    bad = true;
    state = State::Broken;
}

void RecordReader::line(const std::string& text, bool terminated, size_t next) {
    lineNo++;
    auto size = text.empty() || text.size() > 2 ? std::nullopt : toLong(text, 1, model::kMaxSize);
    bool ended = justEnded;
    justEnded = false;
    if (text.empty()) {
        if (ended && terminated) file.goodBytes = next;  // the blank line after a record
        finish();
    } else if (size) {
        finish();
        cur.size = static_cast<int>(*size);
        state = State::Moves;
    } else if (text[0] == '#') {
        if (state == State::Outside || state == State::Broken) {
            // a comment outside any record
        } else if (text == "# end") {
            endLine(terminated, next);
        } else {
            keyLine(text);
        }
    } else if (state == State::Moves) {
        moveLine(text);
    } else if (state != State::Broken) {
        problem("'" + escape(text, 40) + "' fits no record");
        bad = true;
        if (state == State::Keys) state = State::Broken;
    }
}

}  // namespace

RecordFile parseRecords(const std::string& text) {
    RecordReader reader;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        bool terminated = nl != std::string::npos;
        size_t end = terminated ? nl : text.size();
        size_t next = terminated ? nl + 1 : text.size();
        reader.line(text.substr(pos, end - pos), terminated, next);
        pos = next;
    }
    return reader.done();
}

}  // namespace referee
