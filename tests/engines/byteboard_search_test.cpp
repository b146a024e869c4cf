// Evaluation, alpha-beta and the root loop of the byte-board engine, checked against a plain
// negamax over the cell model and against recomputed values.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "byteboard_testing.h"

namespace {

using model::Piece;

// The engine's value rules from scratch on the model, searched by plain negamax.
struct Brute {
    std::vector<model::Board> seen;  // the positions after 0, 1, ... moves

    // Brute over the engine's current stack hist[0..hno].
    static Brute ofstack() {
        Brute b;
        for (int k = 0; k <= history.hno; k++) b.seen.push_back(toboard(history.hist[k]));
        return b;
    }

    // Static value of the last position for player to move.
    int32_t stat(int32_t player) const {
        const model::Board& now = seen.back();
        size_t k = seen.size() - 1;
        for (size_t j = 0; j < k; j++)  // an earlier position with the same side to move
            if ((k - j) % 2 == 0 && seen[j] == now) return decided;
        int xs = now.straights(Piece::X), os = now.straights(Piece::O);
        int32_t v;
        if (xs != os) {
            v = xs > os ? decided : -decided;
        } else {
            int total = 0;
            for (int i = 0; i < N; i++)
                for (const auto& line : {rowof(now, i), colof(now, i)})
                    total += runscore(line, Piece::X) - runscore(line, Piece::O);
            int d = now.count(Piece::X) - now.count(Piece::O);
            v = total + (d < 0 ? -d * d : d * d);
        }
        return player == 1 ? v : -v;
    }

    int32_t negamax(int depth, int32_t player) {
        int32_t v = stat(player);
        if (depth <= 0 || std::abs(v - depth) > decidedbound) return v - depth;
        int32_t best = INT_MIN;
        for (auto [side, pos] : generationorder()) {
            seen.push_back(seen.back());
            seen.back().push(modelmove(side, pos), piece(player));
            best = std::max(best, -negamax(depth - 1, 3 - player));
            seen.pop_back();
        }
        return best;
    }

    // Alpha-beta as the engine describes it: the window's lower end is the starting best,
    // a cut-off as soon as best reaches beta. Counts the positions valued.
    int64_t nodes = 0;
    int32_t alphabeta(int depth, int32_t player, int32_t alpha, int32_t beta) {
        nodes++;
        int32_t v = stat(player);
        if (depth <= 0 || std::abs(v - depth) > decidedbound) return v - depth;
        int32_t best = alpha;
        for (auto [side, pos] : generationorder()) {
            seen.push_back(seen.back());
            seen.back().push(modelmove(side, pos), piece(player));
            best = std::max(best, -alphabeta(depth - 1, 3 - player, -beta, -best));
            seen.pop_back();
            if (best >= beta) return best;
        }
        return best;
    }
};

// Exact value for player of a root move, searched `depth` plies below it with a full window.
int32_t rootvalue(char side, int32_t pos, int32_t player, int32_t depth) {
    domove(side, pos, player);
    int32_t v = -ab(depth, 3 - player, lowest, highest);
    history.hno--;
    return v;
}

// X pushes into row 1 from the left, O from the right, 2N moves: the full row alternates
// between N/2 + 1 X (after X's moves) and N/2 X. X is to move; L1 would recreate record
// hno - 1. There are no straights.
int32_t repetitiongame() {
    for (int i = 0; i < N; i++) {
        domove('L', 0, 1);
        domove('R', 0, 2);
    }
    return 1;
}

BBTEST(Score, MatchesTheRulesOnRandomGamesWithRepetitions) {
    std::mt19937 rng(99 + N);
    // Few distinct moves, so that positions recur with either side to move.
    const std::pair<char, int32_t> few[] = {{'T', 0}, {'B', 0}, {'L', 0}, {'R', 0}, {'T', 1}};
    int samesidehits = 0, othersideonly = 0;
    for (int game = 0; game < 80; game++) {
        fresh();
        Brute brute;
        brute.seen.push_back(toboard(history.hist[0]));
        int32_t player = 1;
        for (int k = 1; k <= 40; k++) {
            auto [side, pos] = few[rng() % 5];
            domove(side, pos, player);
            brute.seen.push_back(toboard(current()));
            player = 3 - player;
            for (int32_t p : {1, 2}) {
                int64_t before = evaluation.nscore;
                ASSERT_EQ(score(current(), p), brute.stat(p)) << "game " << game << " k " << k;
                EXPECT_EQ(evaluation.nscore, before + 1);
            }
            bool same = false, other = false;
            for (int j = 0; j < k; j++)
                if (brute.seen[j] == brute.seen[k]) ((k - j) % 2 ? other : same) = true;
            samesidehits += same;
            othersideonly += other && !same;
        }
    }
    // Both kinds of recurrence were met: the parity of the scan is really tested.
    EXPECT_GT(samesidehits, 0);
    EXPECT_GT(othersideonly, 0);
}

BBTEST(Score, SignedSquareOfThePieceDifference) {
    // Look for a board with equal straights and equal run totals and three more O pieces.
    std::mt19937 rng(5);
    fresh();
    for (int attempt = 0; attempt < 100000; attempt++) {
        std::vector<std::string> rows(N, std::string(N, '.'));
        int x = 1 + static_cast<int>(rng() % 8);
        std::vector<int> cells(N * N);
        for (int i = 0; i < N * N; i++) cells[i] = i;
        std::shuffle(cells.begin(), cells.end(), rng);
        for (int i = 0; i < 2 * x + 3; i++) rows[cells[i] / N][cells[i] % N] = i < x ? 'X' : 'O';
        posrec rec = makerecord(rows);
        if (rec.xtotal != rec.ototal || rec.xstraights != rec.ostraights) continue;
        history.hist[0] = rec;
        EXPECT_EQ(score(history.hist[0], 1), -9);
        EXPECT_EQ(score(history.hist[0], 2), 9);
        return;
    }
    FAIL() << "no such board found";
}

BBTEST(Search, DecidedNodesAreLeavesAtAnyDepth) {
    fresh();
    std::vector<std::string> rows(N, std::string(N, '.'));
    rows[0] = std::string(N, 'X');
    rows[2] = "OO";
    history.hist[0] = makerecord(rows);
    for (int32_t depth = 0; depth <= 4; depth++) {
        int64_t before = evaluation.nscore;
        EXPECT_EQ(ab(depth, 1, lowest, highest), decided - depth);
        EXPECT_EQ(ab(depth, 2, lowest, highest), -decided - depth);
        EXPECT_EQ(evaluation.nscore, before + 2);  // one valuation each, no children
        EXPECT_EQ(history.hno, 0);
    }
    // Depth 0 on an open position is the static value, no correction.
    history.hist[0] = makerecord({"XXO"});
    EXPECT_EQ(ab(0, 1, lowest, highest), score(history.hist[0], 1));
    EXPECT_EQ(ab(0, 2, 0, 1), score(history.hist[0], 2));
}

BBTEST(Search, AlphaBetaAgreesWithPlainNegamax) {
    std::mt19937 rng(2024 + N);
    struct Case {
        int moves;
        int depth;
    };
    std::vector<Case> cases = {{0, 2}, {8, 2}, {25, 2}, {40, 1}, {60, 2}, {90, 2}, {33, 3}};
    for (size_t ci = 0; ci <= cases.size(); ci++) {
        fresh();
        int32_t player;
        int depth;
        if (ci < cases.size()) {
            player = randomgame(rng, cases[ci].moves);
            depth = cases[ci].depth;
        } else {
            player = repetitiongame();  // repetitions and straights inside the tree
            depth = 2;
        }
        int32_t start = history.hno;
        Brute brute = Brute::ofstack();
        int32_t exact = brute.negamax(depth, player);
        ASSERT_EQ(ab(depth, player, lowest, highest), exact) << "case " << ci;
        ASSERT_EQ(history.hno, start);
        // Narrow windows: exact inside, alpha itself below, a value from beta to exact above;
        // a leaf is worth its value whatever the window.
        int32_t v = brute.stat(player);
        bool leaf = std::abs(v - depth) > decidedbound;
        for (int w = 0; w < 6; w++) {
            int32_t a = exact - 40 + static_cast<int32_t>(rng() % 80);
            int32_t b = a + 1 + static_cast<int32_t>(rng() % 40);
            int64_t before = evaluation.nscore;
            int32_t got = ab(depth, player, a, b);
            brute.nodes = 0;
            EXPECT_EQ(got, brute.alphabeta(depth, player, a, b));
            EXPECT_EQ(evaluation.nscore - before, brute.nodes);
            if (leaf)
                EXPECT_EQ(got, exact);
            else if (exact <= a)
                EXPECT_EQ(got, a) << a << " " << b;
            else if (exact >= b)
                EXPECT_TRUE(got >= b && got <= exact) << got << " " << a << " " << b;
            else
                EXPECT_EQ(got, exact) << a << " " << b;
        }
        EXPECT_EQ(history.hno, start);
    }
}

struct Observed {
    static inline std::vector<iteration> seen;
    static void record(const iteration& it) {
        seen.push_back(it);
        EXPECT_EQ(evaluation.nscore, it.nodes);  // reported before it is reset
    }
};

// The sorted list left by the last iteration of a run with `iterations` iterations.
const rootmove* lastlist(int iterations) {
    return iterations % 2 ? deepening.nmoves : deepening.moves;
}

// Checks one root iteration of depth `depth` over the order `order` for player: the list it
// left is the stable sort of the order by value; its values are upper bounds of the exact
// ones, exact for the chosen move, which is the first of the order with the best exact value.
void checkiteration(const std::vector<std::pair<char, int32_t>>& order, const rootmove* sorted,
                    int32_t player, int32_t depth, char dir, int32_t pos) {
    const int n = nmovesall;
    std::vector<int32_t> exact(n), listed(n);
    for (int j = 0; j < n; j++) {
        exact[j] = rootvalue(order[j].first, order[j].second, player, depth);
        auto it = std::find_if(sorted, sorted + n, [&](const rootmove& m) {
            return m.dir == order[j].first && m.pos == order[j].second;
        });
        ASSERT_NE(it, sorted + n);
        listed[j] = it->value;
        EXPECT_GE(listed[j], exact[j]);
    }
    EXPECT_EQ(listed[0], exact[0]);
    int top = static_cast<int>(std::max_element(exact.begin(), exact.end()) - exact.begin());
    EXPECT_EQ(dir, order[top].first);
    EXPECT_EQ(pos, order[top].second);
    EXPECT_EQ(listed[top], exact[top]);
    std::vector<int> idx(n);
    for (int j = 0; j < n; j++) idx[j] = j;
    std::stable_sort(idx.begin(), idx.end(), [&](int a, int b) { return listed[a] > listed[b]; });
    for (int j = 0; j < n; j++) {
        EXPECT_EQ(sorted[j].dir, order[idx[j]].first) << j;
        EXPECT_EQ(sorted[j].pos, order[idx[j]].second) << j;
        EXPECT_EQ(sorted[j].value, listed[idx[j]]) << j;
    }
}

BBTEST(Root, IterationsOrderTheMovesAndChooseTheFirstBest) {
    std::mt19937 rng(31 + N);
    int checked = 0;
    for (int played = 0; checked < 3 && played < 60; played += 8) {
        fresh();
        int32_t player = randomgame(rng, played);
        int32_t start = history.hno;
        Observed::seen.clear();
        deepening.observer = Observed::record;
        deepening.maxdepth = 4;
        computemove(&deepening.bestdir, &deepening.bestpos, player);
        deepening.observer = nullptr;
        if (Observed::seen.back().forcedwin) continue;  // wanted: two full iterations
        checked++;
        ASSERT_EQ(history.hno, start);
        ASSERT_EQ(Observed::seen.size(), 2u);
        EXPECT_EQ(evaluation.nscore, 0);
        EXPECT_EQ(Observed::seen[0].depth, 3);
        EXPECT_EQ(Observed::seen[1].depth, 4);
        for (const iteration& it : Observed::seen) {
            EXPECT_FALSE(it.forcedwin);
            EXPECT_GT(it.nodes, nmovesall);
        }
        EXPECT_EQ(deepening.bestdir, Observed::seen[1].dir);
        EXPECT_EQ(deepening.bestpos, Observed::seen[1].pos);

        // Iteration 3 ran over the generation order; iteration 4 over the list it left.
        auto gen = generationorder();
        std::vector<std::pair<char, int32_t>> second;
        for (int j = 0; j < nmovesall; j++)
            second.push_back({deepening.nmoves[j].dir, deepening.nmoves[j].pos});
        checkiteration(second, deepening.moves, player, 4, Observed::seen[1].dir,
                       Observed::seen[1].pos);
        // Re-run the first iteration alone to check its list.
        deepening.maxdepth = firstdepth;
        computemove(&deepening.bestdir, &deepening.bestpos, player);
        checkiteration(gen, lastlist(1), player, 3, deepening.bestdir, deepening.bestpos);
        EXPECT_EQ(deepening.bestdir, Observed::seen[0].dir);
        EXPECT_EQ(deepening.bestpos, Observed::seen[0].pos);
    }
    EXPECT_EQ(checked, 3);
}

BBTEST(Root, AnImmediateStraightIsAnsweredAtOnce) {
    // Column 1 holds N - 1 X and an O at the bottom: T1, the first move tried, pushes the O
    // out and completes the column.
    fresh();
    std::vector<std::string> rows(N, "X");
    rows[N - 1] = "O";
    rows[N - 1] += std::string(N - 1, '.');
    rows[2] = "XO";
    rows[3] = "XOO";
    history.hist[0] = makerecord(rows);
    Observed::seen.clear();
    deepening.observer = Observed::record;
    computemove(&deepening.bestdir, &deepening.bestpos, 1);
    deepening.observer = nullptr;
    ASSERT_EQ(Observed::seen.size(), 1u);
    const iteration& it = Observed::seen[0];
    EXPECT_TRUE(it.forcedwin);
    EXPECT_EQ(it.depth, 3);
    EXPECT_EQ(it.value, decided + 3);
    EXPECT_EQ(it.nodes, 1);  // one valuation: no other root move was searched
    EXPECT_EQ(deepening.bestdir, 'T');
    EXPECT_EQ(deepening.bestpos, 0);
    EXPECT_EQ(history.hno, 1);  // the winning move stays on the stack
    EXPECT_EQ(history.hist[1].xstraights, 1);
}

BBTEST(Root, AForcedWinEndsTheSearchAtTheFirstWinningMove) {
    // X threatens a row that O cannot defend for long; whatever is found first in the order
    // with a decided value is the answer.
    std::mt19937 rng(77 + N);
    int found = 0;
    for (int attempt = 0; attempt < 40 && found < 3; attempt++) {
        fresh();
        int32_t player = randomgame(rng, 30 + attempt);
        int32_t start = history.hno;
        auto gen = generationorder();
        int first = -1;
        int32_t firstvalue = 0;
        for (int j = 0; j < nmovesall && first < 0; j++) {
            int32_t v = rootvalue(gen[j].first, gen[j].second, player, 3);
            if (v > decidedbound) first = j, firstvalue = v;
        }
        if (first < 0) continue;
        found++;
        Observed::seen.clear();
        deepening.observer = Observed::record;
        computemove(&deepening.bestdir, &deepening.bestpos, player);
        deepening.observer = nullptr;
        ASSERT_EQ(Observed::seen.size(), 1u);
        EXPECT_TRUE(Observed::seen[0].forcedwin);
        EXPECT_EQ(Observed::seen[0].value, firstvalue);
        EXPECT_EQ(deepening.bestdir, gen[first].first);
        EXPECT_EQ(deepening.bestpos, gen[first].second);
        EXPECT_EQ(history.hno, start + 1);
    }
    EXPECT_EQ(found, 3);
}

BBTEST(Root, ARepeatingRootMoveIsValuedAsALoss) {
    fresh();
    int32_t player = repetitiongame();
    deepening.maxdepth = firstdepth;
    computemove(&deepening.bestdir, &deepening.bestpos, player);
    const rootmove* list = lastlist(1);
    int undecided = 0;
    bool seenl1 = false;
    for (int j = 0; j < nmovesall; j++) {
        const rootmove& m = list[j];
        if (std::abs(m.value) <= decidedbound) {
            EXPECT_FALSE(seenl1) << "an undecided move after the repeating one";
            undecided++;
        }
        if (m.dir == 'L' && m.pos == 0) {
            seenl1 = true;
            EXPECT_EQ(m.value, -(decided - 3));
        }
    }
    EXPECT_TRUE(seenl1);
    EXPECT_GT(undecided, 0);
}

// A reset after a game and a search leaves nothing of them: the empty board as the only
// record (all zero bytes), no answer, no nodes, no observer, the last depth back; the stack
// keeps its allocation.
BBTEST(Root, ResetStartsAFreshGame) {
    fresh();
    std::mt19937 rng(99 + N);
    const int32_t player = randomgame(rng, 60);
    deepening.maxdepth = firstdepth;
    deepening.observer = [](const iteration&) {};
    computemove(&deepening.bestdir, &deepening.bestpos, player);
    ASSERT_NE(deepening.bestdir, 0);
    evaluation.nscore = 77;
    const posrec* stack = history.hist;
    const int32_t capacity = history.hmax;
    ASSERT_GT(capacity, histstart);  // 60 moves outgrew the first allocation

    ASSERT_TRUE(reset());
    EXPECT_EQ(history.hno, 0);
    EXPECT_EQ(history.hist, stack);
    EXPECT_EQ(history.hmax, capacity);
    const auto* first = reinterpret_cast<const unsigned char*>(&history.hist[0]);
    EXPECT_TRUE(std::all_of(first, first + sizeof(posrec), [](unsigned char b) { return b == 0; }));
    EXPECT_EQ(deepening.bestdir, 0);
    EXPECT_EQ(deepening.bestpos, 0);
    EXPECT_EQ(evaluation.nscore, 0);
    EXPECT_EQ(deepening.observer, nullptr);
    EXPECT_EQ(deepening.maxdepth, lastdepth);
}

BBTEST(Root, ADepthLimitBelowTheFirstIterationSearchesNothing) {
    fresh();
    deepening.maxdepth = 2;
    char dir = 'x';
    int32_t pos = 9;
    computemove(&dir, &pos, 1);
    EXPECT_EQ(dir, 0);
    EXPECT_EQ(pos, 0);
    EXPECT_EQ(evaluation.nscore, 0);
    char buf[answerbytes];
    EXPECT_EQ(std::string(buf, formatanswer(dir, pos, buf)), "T1\n");
}

}  // namespace
