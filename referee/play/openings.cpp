#include "referee/play/openings.h"

#include <algorithm>
#include <random>

#include "referee/records/files.h"
#include "referee/records/record.h"
#include "referee/text/escape.h"

namespace referee {

std::optional<size_t> decidingPly(int n, const Opening& opening) {
    model::Game game(n);
    for (size_t i = 0; i < opening.size(); i++)
        if (game.play(opening[i]) != model::Outcome::Open) return i;
    return std::nullopt;
}

std::optional<std::string> loadOpenings(const std::string& path, int n, int plies,
                                        std::vector<Opening>& out) {
    const FileRead read = readWholeFile(path, kOpeningFileLimit);
    if (!read.error.empty()) return escape(read.error);
    return openingsFromText(read.text, path, n, plies, out);
}

std::optional<std::string> openingsFromText(const std::string& text, const std::string& name, int n,
                                            int plies, std::vector<Opening>& out) {
    RecordFile file = parseRecords(text);
    if (!file.problems.empty()) return escape(name) + ": " + file.problems.front();
    if (file.records.empty()) return escape(name) + ": no game records";
    out.clear();
    for (size_t i = 0; i < file.records.size(); i++) {
        const GameRecord& r = file.records[i];
        std::string which = escape(name) + ": record " + std::to_string(i + 1);
        if (r.size != n)
            return which + " is for N = " + std::to_string(r.size) + ", not " + std::to_string(n);
        Opening o = r.moves;
        if (plies >= 0 && static_cast<int>(o.size()) > plies) o.resize(plies);
        if (auto ply = decidingPly(n, o))
            return which + " is decided at ply " + std::to_string(*ply + 1) + "; cut it shorter";
        out.push_back(std::move(o));
    }
    return std::nullopt;
}

namespace {

// One random opening; nothing after too many dead ends.
std::optional<Opening> drawOpening(int n, int plies, std::mt19937_64& rng) {
    const std::vector<model::Move> all = model::allMoves(n);
    for (int attempt = 0; attempt < 1000; attempt++) {
        model::Game game(n);
        Opening o;
        while (static_cast<int>(o.size()) < plies) {
            std::vector<model::Move> open;
            for (const model::Move& m : all) {
                model::Game trial = game;
                if (trial.play(m) == model::Outcome::Open) open.push_back(m);
            }
            if (open.empty()) break;
            model::Move m =
                open[rng() % open.size()];  // the engine's output is fixed by the standard
            game.play(m);
            o.push_back(m);
        }
        if (static_cast<int>(o.size()) == plies) return o;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::vector<Opening>> randomOpenings(int n, int plies, int count, uint64_t seed) {
    std::vector<Opening> out;
    for (int i = 0; i < count; i++) {
        std::mt19937_64 rng(seed * 1000003u + static_cast<uint64_t>(i));
        std::optional<Opening> o;
        // Draws again while it equals an earlier one, up to a point: short openings on
        // small boards may not have enough distinct ones.
        for (int tries = 0; tries < 50; tries++) {
            o = drawOpening(n, plies, rng);
            if (!o) return std::nullopt;
            if (std::find(out.begin(), out.end(), *o) == out.end()) break;
        }
        out.push_back(*o);
    }
    return out;
}

}  // namespace referee
