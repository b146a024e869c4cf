#include "referee/play/tally.h"

#include <algorithm>
#include <map>

#include "referee/play/schedule.h"
#include "referee/records/record.h"
#include "referee/text/escape.h"

namespace referee {

namespace {

// The finished records of one file, and what was left out.
struct FileGames {
    const std::string* name;
    std::vector<GameRecord> games;
    int unfinished = 0;
    std::vector<std::string> problems;
};

std::string dateOf(const GameRecord& r) {
    const std::string* d = findSetting(r.settings, "date");
    return d ? *d : "";
}

// The record of the latest run: a file that --resume continued holds the runs in order,
// each with its start date; the last one's games and test are the ones it printed.
const GameRecord* latest(const std::vector<GameRecord>& games, const GameRecord* best) {
    for (const GameRecord& r : games)
        if (!best || dateOf(r) >= dateOf(*best)) best = &r;
    return best;
}

// Runs of one match may differ in games and test from one resume to the next, but the
// files' latest runs must agree on them.
std::optional<std::string> sameRun(const FileGames& f, const Settings& reference) {
    const GameRecord& last = *latest(f.games, nullptr);
    for (const char* key : {"games", "sprt"}) {
        const std::string* a = findSetting(reference, key);
        const std::string* b = findSetting(last.settings, key);
        if (!a || !b || *a != *b)
            return escape(*f.name, 200) + ", game " + std::to_string(last.game) +
                   " belongs to another match (" + key + ": '" + escape(a ? *a : "", 80) +
                   "' against '" + escape(b ? *b : "", 80) + "')";
    }
    return std::nullopt;
}

// One file's finished game: of this match, in its place in the schedule, not seen before.
std::optional<std::string> takeGame(const std::string& name, const GameRecord& r,
                                    std::map<int, std::string>& seen, TallyResult& out) {
    const std::string where = escape(name, 200) + ", game " + std::to_string(r.game);
    if (auto differ = settingsDiffer(out.settings, r.settings))
        return where + " belongs to another match (" + *differ + ")";
    // The openings are not recorded in full, so a game is checked for its place in the
    // schedule: index, players and colours, board size.
    if (auto wrong = checkPlace(out.match, r)) return escape(name, 200) + ": " + *wrong;
    auto [at, fresh] = seen.emplace(r.game, name);
    if (!fresh)
        return "game " + std::to_string(r.game) + " appears twice: in " + escape(at->second, 200) +
               " and in " + escape(name, 200);
    out.games.push_back(r);
    return std::nullopt;
}

void addNotes(const FileGames& f, TallyResult& out) {
    const std::string name = escape(*f.name, 200);
    if (f.unfinished > 0)
        out.notes.push_back(name + ": left out " + std::to_string(f.unfinished) +
                            " unfinished record" + (f.unfinished == 1 ? "" : "s"));
    if (!f.problems.empty())
        out.notes.push_back(name + ": " + std::to_string(f.problems.size()) +
                            " line(s) that are no record, first " +
                            escape(f.problems.front(), 120));
}

}  // namespace

std::optional<std::string> tallyFiles(const std::vector<std::pair<std::string, std::string>>& files,
                                      TallyResult& out) {
    std::vector<FileGames> all;
    all.reserve(files.size());  // `reference` points into it
    const GameRecord* reference = nullptr;
    const std::string* referenceFile = nullptr;
    for (const auto& [name, text] : files) {
        RecordFile parsed = parseRecords(text);
        FileGames f{&name, {}, 0, std::move(parsed.problems)};
        for (GameRecord& r : parsed.records) {
            if (r.complete)
                f.games.push_back(std::move(r));
            else
                f.unfinished++;
        }
        all.push_back(std::move(f));
        const GameRecord* before = reference;
        reference = latest(all.back().games, reference);
        if (reference != before) referenceFile = &name;
    }
    if (!reference) return "no finished game in the files";
    out.settings = reference->settings;
    if (auto err = matchFromSettings(out.settings, out.match))
        return escape(*referenceFile, 200) + ": " + *err;
    std::map<int, std::string> seen;  // game -> file
    for (const FileGames& f : all) {
        if (!f.games.empty())
            if (auto other = sameRun(f, out.settings)) return other;
        for (const GameRecord& r : f.games)
            if (auto wrong = takeGame(*f.name, r, seen, out)) return wrong;
        addNotes(f, out);
    }
    return std::nullopt;
}

}  // namespace referee
