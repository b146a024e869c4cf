// The analyser's pieces on their own: reading records exactly as the bit-row players do
// (checked against the engine's own reader and the plain model), and the command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <regex>
#include <string>

#include "analyze/options.h"
#include "analyze/record.h"
#include "analyze/searcher.h"
#include "bitrow/tool_handle.h"
#include "model/cell_model.h"

using namespace analyze;

namespace {

struct Parsed {
    RecordStatus status;
    Record record;
};

Parsed parse(const std::string& text) {
    Parsed p{};
    std::string copy = text;
    std::FILE* in = fmemopen(copy.data(), copy.size(), "r");
    if (!in) {
        ADD_FAILURE() << "fmemopen";
        return p;
    }
    p.status = readRecord(in, p.record);
    std::fclose(in);
    return p;
}

// The position the bit-row engine itself reaches when it reads text as a player would:
// its own size and move reader, its own replay. Empty when it refuses the record.
std::string engineCells(const bitrow::ToolHandle* e, const std::string& text, int& toMove) {
    std::string copy = text;
    std::FILE* in = fmemopen(copy.data(), copy.size(), "r");
    if (!in) return "?";
    e->reset();
    const int n = e->readSize(in);
    e->startGame(n);
    const bitrow::Replay replayed = e->replay(in);
    std::fclose(in);
    if (replayed != bitrow::Replay::Ok) return "";
    std::string cells;
    for (int r = 0; r < n; r++)
        for (int c = 0; c < n; c++) cells += static_cast<char>('0' + e->cell(r, c));
    toMove = e->histCount() % 2 ? 1 : 2;
    return cells;
}

std::string searcherCells(const Searcher& s) {
    std::string cells;
    for (int r = 0; r < s.size(); r++)
        for (int c = 0; c < s.size(); c++) cells += static_cast<char>('0' + s.cell(r, c));
    return cells;
}

std::string modelCells(const Record& rec) {
    model::Board b(rec.size);
    model::Piece who = model::Piece::X;
    for (const Move& m : rec.moves) {
        b.push({m.side, m.number}, who);
        who = model::opponent(who);
    }
    std::string cells;
    for (int r = 0; r < rec.size; r++)
        for (int c = 0; c < rec.size; c++) cells += static_cast<char>('0' + int(b.at(r, c)));
    return cells;
}

// Random record text in the players' format with the faults input may have.
std::string randomRecord(std::mt19937& rng, int n) {
    std::string text;
    switch (rng() % 6) {
        case 0:
            text = "  " + std::to_string(n) + " words\n";
            break;
        case 1:
            text = "+" + std::to_string(n) + "\n";
            break;
        default:
            text = std::to_string(n) + "\n";
    }
    const char* letters = "LRTBLRTBLRTBlx ";
    const int lines = static_cast<int>(rng() % 40);
    for (int i = 0; i < lines; i++) {
        std::string line(1, letters[rng() % 15]);
        const int kind = static_cast<int>(rng() % 20);
        if (kind == 0)
            line += "0" + std::to_string(rng() % 10);  // leading zero
        else if (kind == 1)
            line += std::to_string(rng() % 30) + "x";
        else if (kind == 2)
            line += std::string(100 + rng() % 10, '7');  // longer than a line buffer
        else
            line += std::to_string(1 + rng() % n);
        if (rng() % 25 == 0) line += "\r";
        if (i + 1 < lines || rng() % 2) line += "\n";
        text += line;
    }
    return text;
}

TEST(AnalyzeRecord, ReachesTheEnginesOwnPositionOnRandomRecords) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 600; round++) {
        const int n = 1 + static_cast<int>(rng() % 20);
        const std::string text = randomRecord(rng, n);
        const Parsed p = parse(text);
        ASSERT_EQ(p.status, RecordStatus::Ok) << text;
        ASSERT_EQ(p.record.size, n);
        for (const bitrow::ToolHandle* e :
             {&bitrow::handle8, &bitrow::handle16, &bitrow::handle32}) {
            if (n > e->rowLimit) continue;
            int engineToMove = 0;
            const std::string expected = engineCells(e, text, engineToMove);
            std::string error;
            auto s = makeSearcher(EngineKind::BitRow, e->width, n, error);
            ASSERT_TRUE(s) << error;
            const std::string loaded = s->load(p.record);
            if (expected.empty()) {
                EXPECT_EQ(loaded, "the game repeats a position") << text;
                continue;
            }
            ASSERT_EQ(loaded, "") << text;
            EXPECT_EQ(searcherCells(*s), expected) << text;
            EXPECT_EQ(s->toMove(), engineToMove);
            EXPECT_EQ(searcherCells(*s), modelCells(p.record));
        }
        if (n == 6 || n == 7) {
            std::string error;
            auto s = makeSearcher(EngineKind::ByteBoard, 0, n, error);
            ASSERT_TRUE(s) << error;
            ASSERT_EQ(s->load(p.record), "");
            EXPECT_EQ(searcherCells(*s), modelCells(p.record)) << text;
            EXPECT_EQ(s->toMove(), p.record.moves.size() % 2 ? 2 : 1);
        }
    }
}

TEST(AnalyzeRecord, GamesOfARecordFileAreFoundByTheirWholeKeyLine) {
    const std::string a = "4\nL1\n# game: 10\n# end\n";
    const std::string b = "4\nL2\n# x: p\n# game: 1\n# end\n";
    const std::string c = "5\nT3\n# game: 2";  // cut off: no end line, no line end
    const std::string file = a + "\n" + b + "\n\n" + c;
    std::string got;
    ASSERT_TRUE(findGame(file, 10, got));
    EXPECT_EQ(got, a);
    ASSERT_TRUE(findGame(file, 1, got));
    EXPECT_EQ(got, b);
    ASSERT_TRUE(findGame(file, 2, got));
    EXPECT_EQ(got, c);
    for (int missing : {0, 3, 100}) EXPECT_FALSE(findGame(file, missing, got)) << missing;
    EXPECT_FALSE(findGame("", 0, got));
    EXPECT_FALSE(findGame("# game: 0x\n# end\n", 0, got));
    EXPECT_FALSE(findGame(" # game: 0\n", 0, got));
    // Any bytes at all: no crash, and a found record is a piece of the input.
    std::mt19937 rng(9);
    const char alphabet[] = "#game: 0123\n\0end\r";
    for (int i = 0; i < 2000; i++) {
        std::string text;
        for (int k = rng() % 80; k > 0; k--) text += alphabet[rng() % (sizeof alphabet - 1)];
        if (findGame(text, static_cast<int>(rng() % 4), got)) {
            EXPECT_NE(text.find(got), std::string::npos);
        }
    }
}

TEST(AnalyzeRecord, LineRulesOfThePlayers) {
    auto moves = [](const std::string& text) {
        std::string list;
        for (const Move& m : parse(text).record.moves) list += moveText(m) + " ";
        return list;
    };
    EXPECT_EQ(moves("6\nL3\nT1\n"), "L3 T1 ");
    EXPECT_EQ(moves("6\nL05\nL3"), "L5 ");            // a last one-digit line needs its end
    EXPECT_EQ(moves("16\nT12"), "T12 ");              // two digits need none
    EXPECT_EQ(moves("16\nL12x\nL5x\nR1\n"), "L12 ");  // L5x is no move
    EXPECT_EQ(moves("6\nL3\r\nL4\n"), "");
    EXPECT_EQ(moves("6\nl3\n"), "");
    EXPECT_EQ(moves("6\n L3\n"), "");
    EXPECT_EQ(moves("6\nL0\nL1\n"), "");
    EXPECT_EQ(moves("6\nL7\nL1\n"), "");  // outside 1..N ends the record
    EXPECT_EQ(moves("6\nL3\n# result: 1-0\nL4\n"), "L3 ");
    // A line of 97 characters is read whole; the rest of a longer one is the next line.
    EXPECT_EQ(moves("16\nL12" + std::string(94, 'y') + "L4\n"), "L12 L4 ");
    EXPECT_EQ(moves("16\nL12" + std::string(93, 'y') + "\nL4\n"), "L12 L4 ");
    EXPECT_EQ(parse("  6 words\n").record.size, 6);
    for (const char* bad : {"", "0\n", "-3\n", "21\n", "x6\n", "99999999999999999999\n"})
        EXPECT_EQ(parse(bad).status, RecordStatus::BadSize) << bad;
}

TEST(AnalyzeRecord, TooManyMovesAreRefusedWithoutReadingOn) {
    std::string text = "6\n";
    for (int i = 0; i <= recordMoveLimit; i++) text += i % 2 ? "L1\n" : "R2\n";
    EXPECT_EQ(parse(text).status, RecordStatus::TooLong);
}

std::string optionError(std::vector<std::string> args) {
    Options o;
    return parseOptions(args, o);
}

TEST(AnalyzeOptions, RefusesWhatCannotBeMeant) {
    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {"--engine"},
             {"--engine", "chess"},
             {"--width", "12"},
             {"--width", "8x"},
             {"--width"},
             {"--depth", "2"},
             {"--depth", "37"},
             {"--depth", "1000", "--engine", "byteboard"},
             {"--depth", "-5"},
             {"--depth", "5.5"},
             {"--depth", "99999999999999999999"},
             {"--time", "0"},
             {"--time", "-1"},
             {"--time", "nan"},
             {"--time", "inf"},
             {"--time", "1e9"},
             {"--time", "2s"},
             {"--engine", "byteboard", "--width", "8"},
             {"--frobnicate"},
             {"a.txt", "b.txt"},
             {"bench", "--depth", "3"},
             {"--depth", "4", "bench"},
             {"bench", "game.txt"},
             {"--ply", "-1"},
             {"--ply", "1e3"},
             {"--game", "x"},
             {"--game"},
             {"--depth=0x10"},
             {"--time", "0x10"},
         })
        EXPECT_NE(optionError(bad), "") << bad[0] << " " << (bad.size() > 1 ? bad[1] : "");
}

TEST(AnalyzeOptions, AcceptsTheDocumentedForms) {
    Options o;
    ASSERT_EQ(parseOptions({"--engine", "byteboard", "--depth", "40", "--time", "0.25", "--board",
                            "--quiet", "game.txt"},
                           o),
              "");
    EXPECT_EQ(o.engine, EngineKind::ByteBoard);
    EXPECT_EQ(o.depth, 40);
    EXPECT_DOUBLE_EQ(o.seconds, 0.25);
    EXPECT_TRUE(o.board && o.quiet);
    EXPECT_EQ(o.file, "game.txt");
    ASSERT_EQ(parseOptions({"--width", "16", "--depth", "36"}, o), "");
    EXPECT_EQ(o.width, 16);
    ASSERT_EQ(parseOptions({"bench", "--short", "--suite", "s.txt"}, o), "");
    EXPECT_TRUE(o.bench && o.benchShort);
    EXPECT_EQ(o.suite, "s.txt");
    // --opt=value and --opt value alike.
    ASSERT_EQ(
        parseOptions(
            {"--engine=byteboard", "--depth=7", "--time=1.5", "--ply=0", "--game", "12", "-"}, o),
        "");
    EXPECT_EQ(o.engine, EngineKind::ByteBoard);
    EXPECT_EQ(o.depth, 7);
    EXPECT_DOUBLE_EQ(o.seconds, 1.5);
    EXPECT_EQ(o.ply, 0);
    EXPECT_EQ(o.game, 12);
    EXPECT_FALSE(o.bench);
    ASSERT_EQ(parseOptions({"bench", "--suite=t.txt"}, o), "");
    EXPECT_EQ(o.suite, "t.txt");
    EXPECT_FALSE(o.benchShort);
    // Nothing given: the engine's own limits, the whole record, the first game.
    ASSERT_EQ(parseOptions({}, o), "");
    EXPECT_EQ(o.depth, 0);
    EXPECT_EQ(o.seconds, 0);
    EXPECT_EQ(o.ply, -1);
    EXPECT_EQ(o.game, -1);
}

TEST(AnalyzeOptions, HelpNamesEveryOptionWithItsDefaultAndErrorsNameTheRange) {
    Options o;
    ASSERT_EQ(parseOptions({"--help"}, o), "");
    for (const char* text :
         {"--engine", "--width", "--depth", "--time", "--ply", "--game", "--board", "--quiet",
          "--version", "bench", "3 to 36", "3 to 999", "29.5", "28", "default", "Exit status:"})
        EXPECT_NE(o.infoText.find(text), std::string::npos) << text;
    ASSERT_EQ(parseOptions({"bench", "--help"}, o), "");
    EXPECT_NE(o.infoText.find("--short"), std::string::npos);
    EXPECT_NE(o.infoText.find("--suite"), std::string::npos);
    ASSERT_EQ(parseOptions({"--version"}, o), "");
    // The name, the version number, then the commit.
    EXPECT_TRUE(std::regex_match(
        o.infoText, std::regex("analyze [0-9]+\\.[0-9]+\\.[0-9]+ \\(commit [^ ]+\\)\n")))
        << o.infoText;
    EXPECT_NE(optionError({"--depth", "2"}).find("3 to 999"), std::string::npos);
    EXPECT_NE(optionError({"--depth=37"}).find("3 to 36"), std::string::npos);
    EXPECT_NE(optionError({"--width=12"}).find("8, 16 or 32"), std::string::npos);
    EXPECT_NE(optionError({"--time", "0"}).find("above 0"), std::string::npos);
    EXPECT_NE(optionError({"--ply", "-1"}).find("0 to"), std::string::npos);
}

TEST(AnalyzeEngines, WidthAndSizeChoices) {
    std::string error;
    EXPECT_EQ(makeSearcher(EngineKind::BitRow, 0, 8, error)->name(), "bitrow8");
    EXPECT_EQ(makeSearcher(EngineKind::BitRow, 0, 9, error)->name(), "bitrow16");
    EXPECT_EQ(makeSearcher(EngineKind::BitRow, 0, 17, error)->name(), "bitrow32");
    EXPECT_EQ(makeSearcher(EngineKind::BitRow, 32, 4, error)->name(), "bitrow32");
    EXPECT_FALSE(makeSearcher(EngineKind::BitRow, 8, 9, error));
    EXPECT_NE(error, "");
    for (int n : {5, 8, 0}) {
        error.clear();
        EXPECT_FALSE(makeSearcher(EngineKind::ByteBoard, 0, n, error));
        EXPECT_NE(error.find("6 or 7"), std::string::npos);
    }
}

}  // namespace
