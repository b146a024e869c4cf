// The three builds of the bit-row engine compute the same search for boards they all play.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "bitrow/tool_handle.h"
#include "model/cell_model.h"

namespace {

using Iteration = std::tuple<int, std::int32_t, int, std::uint64_t>;
std::vector<Iteration> seen;
const bitrow::ToolHandle* current;

void observe(int depth, std::int32_t score, bitrow::MoveIndex move, bool) {
    seen.emplace_back(depth, score, move, *current->searchCalls);
}

struct SearchRun {
    std::uint32_t key;
    std::vector<Iteration> iterations;
    std::string answer;
};

SearchRun searchWith(const bitrow::ToolHandle& e, const std::string& record, int depth) {
    current = &e;
    seen.clear();
    e.reset();
    std::FILE* f = fmemopen(const_cast<char*>(record.data()), record.size(), "r");
    e.startGame(e.readSize(f));
    EXPECT_EQ(e.replay(f), bitrow::Replay::Ok);
    std::fclose(f);
    *e.observer = observe;
    *e.depthLimit = depth;
    std::int32_t score;
    SearchRun r{e.topKey(), {}, ""};
    r.answer = e.moveName(e.deepen(&score));
    *e.observer = nullptr;
    *e.depthLimit = e.lastDepth;
    r.iterations = seen;
    return r;
}

TEST(BitrowWidths, SameKeysScoresNodesAndMovesForEveryBoardUpToEight) {
    std::mt19937 rng(8);
    for (int n = 1; n <= 8; n++) {
        for (int game = 0; game < 2; game++) {
            // A random open game of a few moves.
            model::Game g(n);
            std::string record = std::to_string(n) + "\n";
            const auto all = model::allMoves(n);
            for (int ply = 0; ply < 3 + 2 * game + n; ply++) {
                const model::Move m = all[rng() % all.size()];
                model::Game next = g;
                if (next.play(m) != model::Outcome::Open) continue;
                g = next;
                record += model::moveName(m) + "\n";
            }
            const int depth = n <= 3 ? 5 : n <= 6 ? 4 : 3;
            const SearchRun a = searchWith(bitrow::handle8, record, depth);
            ASSERT_FALSE(a.iterations.empty());
            for (const bitrow::ToolHandle* e : {&bitrow::handle16, &bitrow::handle32}) {
                const SearchRun b = searchWith(*e, record, depth);
                EXPECT_EQ(a.key, b.key) << e->width << "\n" << record;
                EXPECT_EQ(a.iterations, b.iterations) << e->width << "\n" << record;
                EXPECT_EQ(a.answer, b.answer);
            }
        }
    }
}

TEST(BitrowWidths, EachSizeHasItsNarrowestBuild) {
    EXPECT_EQ(bitrow::handleFor(0), nullptr);
    EXPECT_EQ(bitrow::handleFor(1), &bitrow::handle8);
    EXPECT_EQ(bitrow::handleFor(8), &bitrow::handle8);
    EXPECT_EQ(bitrow::handleFor(9), &bitrow::handle16);
    EXPECT_EQ(bitrow::handleFor(16), &bitrow::handle16);
    EXPECT_EQ(bitrow::handleFor(17), &bitrow::handle32);
    EXPECT_EQ(bitrow::handleFor(20), &bitrow::handle32);
    EXPECT_EQ(bitrow::handleFor(21), nullptr);
    EXPECT_EQ(bitrow::handleForWidth(16), &bitrow::handle16);
    EXPECT_EQ(bitrow::handleForWidth(20), nullptr);
}

}  // namespace
