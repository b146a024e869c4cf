// The terminal's tables: every column as wide as its widest cell, numbers right-aligned
// under their header, on narrow and on wide values (long names, five-digit counts, infinite
// Elo bounds), in the match table, the rating list and the cross table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "referee/play/match.h"
#include "referee/results/results.h"
#include "referee/text/table.h"
#include "referee/views/standings.h"
#include "referee/views/summary.h"

using namespace referee;

namespace {

// Where `word` ends in the header line (one past its last character).
size_t headerEnd(const std::string& header, const std::string& word) {
    size_t at = header.find(word);
    EXPECT_NE(at, std::string::npos) << word << " not in: " << header;
    return at == std::string::npos ? 0 : at + word.size();
}

// A right-aligned column ends where its header ends: the cell's last character is there and
// a blank (or the line's end) follows it.
void expectRightAligned(const std::vector<std::string>& lines, const std::string& word) {
    const size_t end = headerEnd(lines[0], word);
    for (size_t i = 1; i < lines.size(); i++) {
        const std::string& l = lines[i];
        ASSERT_GE(l.size(), end) << word << " in line " << i << ": " << l;
        EXPECT_NE(l[end - 1], ' ') << word << " in line " << i << ": " << l;
        EXPECT_TRUE(end == l.size() || l[end] == ' ') << word << " in line " << i << ": " << l;
    }
}

// A left-aligned column starts where its header starts: its cells begin with `first`
// there, or are blank (and then `first` is nowhere in the line).
void expectLeftAligned(const std::vector<std::string>& lines, const std::string& word, char first) {
    const size_t start = lines[0].find(word);
    ASSERT_NE(start, std::string::npos);
    for (size_t i = 1; i < lines.size(); i++) {
        const std::string& l = lines[i];
        ASSERT_GT(l.size(), start) << l;
        EXPECT_EQ(l[start - 1], ' ') << l;
        if (l[start] == ' ')
            EXPECT_EQ(l.find(first), std::string::npos) << word << " in line " << i << ": " << l;
        else
            EXPECT_EQ(l[start], first) << word << " in line " << i << ": " << l;
    }
}

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1)
        lines.push_back(text.substr(from, nl - from));
    return lines;
}

GameRecord game(int number, const std::string& x, const std::string& o, Winner w) {
    GameRecord r;
    r.size = 6;
    r.game = number;
    r.x = x;
    r.o = o;
    r.winner = w;
    r.loss = w == Winner::None ? Loss::None : Loss::Straights;
    r.moves = {{'L', 1}};
    r.complete = true;
    return r;
}

EventInfo match(const std::string& a, const std::string& b) {
    EventInfo e;
    e.size = 6;
    e.players = {{a, 1}, {b, 1}};
    return e;
}

TEST(TextTable, ColumnsTakeTheirWidestCell) {
    using A = TextTable::Align;
    TextTable t({{"name", A::Left}, {"n", A::Right}, {"note", A::Left}});
    t.add({"a", "7", "x"});
    t.add({"longer name", "12345"});  // a missing cell is blank
    t.add({"b", "1", "y", "dropped"});
    const std::vector<std::string> lines = t.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "name             n  note");
    EXPECT_EQ(lines[1], "a                7  x");
    EXPECT_EQ(lines[2], "longer name  12345");  // no trailing blanks
    EXPECT_EQ(lines[3], "b                1  y");
    EXPECT_EQ(t.text(), lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n" + lines[3] + "\n");
    // Headers wider than every cell set the width too.
    TextTable narrow({{"a wide header", A::Right}});
    narrow.add({"1"});
    EXPECT_EQ(narrow.lines()[1], "            1");
}

// The match table's numbers end under their headers, whatever their width.
void expectMatchTableAligned(const std::vector<GameRecord>& games, const EventInfo& e) {
    const std::vector<std::string> lines = split(summaryText(computeResults(e, games)));
    ASSERT_GE(lines.size(), 8u);
    const std::vector<std::string> table(lines.begin() + 1, lines.begin() + 8);
    for (const char* word : {"wins", "draws", "losses", "score", "draw %", "Elo", "LOS"})
        expectRightAligned(table, word);
    expectLeftAligned(table, "95% interval", '[');
}

TEST(TerminalTables, MatchTableAlignsNarrowAndWideValues) {
    // Narrow: one game.
    expectMatchTableAligned({game(0, "a", "b", Winner::X)}, match("a", "b"));
    // Wide: a 40-byte name, five-digit counts, an infinite bound (every game won as X).
    const std::string longName(40, 'n');
    std::vector<GameRecord> many;
    for (int g = 0; g < 20000; g++)
        many.push_back(
            game(g, g % 2 ? "b" : longName, g % 2 ? longName : "b", g % 2 ? Winner::O : Winner::X));
    expectMatchTableAligned(many, match(longName, "b"));
    // Draws only, with both bounds finite and negative and positive Elo side by side.
    std::vector<GameRecord> mixed;
    for (int g = 0; g < 30; g++)
        mixed.push_back(game(g, g % 2 ? "b" : "a", g % 2 ? "a" : "b",
                             g % 3 == 0   ? Winner::None
                             : g % 3 == 1 ? Winner::X
                                          : Winner::O));
    expectMatchTableAligned(mixed, match("a", "b"));
}

TEST(TerminalTables, RatingListAndCrossTableAlign) {
    // Four players, one far ahead, one with a long name; every pair meets twice.
    const std::vector<std::string> names = {"a", std::string(30, 'w'), "c", "d"};
    EventInfo e;
    e.event = Event::RoundRobin;
    e.size = 6;
    for (const std::string& n : names) e.players.push_back({n, 1});
    std::vector<GameRecord> games;
    int g = 0;
    for (size_t i = 0; i < names.size(); i++)
        for (size_t j = i + 1; j < names.size(); j++)
            for (int k = 0; k < 2; k++) {
                const std::string& x = k ? names[j] : names[i];
                const std::string& o = k ? names[i] : names[j];
                // The first player wins all its games, the others split theirs.
                Winner w = i == 0 ? (k ? Winner::O : Winner::X) : k ? Winner::X : Winner::O;
                games.push_back(game(g++, x, o, w));
            }
    const Results r = computeResults(e, games);
    ASSERT_TRUE(r.ratings && r.ratings->list);
    std::vector<std::string> list = ratingListLines(*r.ratings, names);
    const std::vector<std::string> rated(list.begin(), list.begin() + 5);
    for (const char* word : {"rank", "elo", "games", "score"}) expectRightAligned(rated, word);
    const std::vector<std::string> cross = crossTableLines(r.ratings->cross, names);
    ASSERT_EQ(cross.size(), 5u);
    for (const char* word : {"1", "2", "3", "4", "total"}) expectRightAligned(cross, word);
    EXPECT_EQ(cross[1].substr(0, 4), "1  a");
    EXPECT_NE(cross[1].find("2/2"), std::string::npos) << cross[1];
}

// The running line: the real interval, the LLR, and the test's verdict from the game that
// decided it on, said as earlier on the games that finish after it.
TEST(TerminalTables, RunningLineSaysTheVerdictFromTheGameThatBroughtIt) {
    EventInfo e = match("a", "b");
    e.sprt = SprtSettings{0, 100, 0.05, 0.05};
    std::vector<GameRecord> games;
    auto line = [&](SprtVerdict v, bool now) {
        const RunProgress p{games, games.back(), 40, 40 - static_cast<int>(games.size()), 0,
                            v,     now};
        return progressLine(computeResults(e, games), p);
    };
    // a wins every game, as X and as O.
    for (int g = 0; g < 2; g++)
        games.push_back(game(g, g ? "b" : "a", g ? "a" : "b", g ? Winner::O : Winner::X));
    std::string running = line(SprtVerdict::Continue, false);
    EXPECT_NE(running.find("a 2.0 - 0.0 b, Elo +inf [-291, +inf]"), std::string::npos) << running;
    EXPECT_NE(running.find("LLR "), std::string::npos) << running;
    EXPECT_EQ(running.find("accepted"), std::string::npos) << running;
    EXPECT_NE(running.find("; 2 of 40 games done, 38 left"), std::string::npos) << running;
    const std::string decided = line(SprtVerdict::AcceptH1, true);
    EXPECT_NE(decided.find("]: H1 accepted; 2 of 40"), std::string::npos) << decided;
    games.push_back(game(2, "a", "b", Winner::X));
    const std::string after = line(SprtVerdict::AcceptH1, false);
    EXPECT_NE(after.find("]: H1 accepted earlier; 3 of 40"), std::string::npos) << after;
}

}  // namespace
