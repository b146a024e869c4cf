// The fast paths of the byte-board engine against the plain computations they replace: line
// scores from the code table against the cell-by-cell count, the stored line codes, keys
// and piece-count bounds against values recomputed from the cells, the key-filtered
// repetition scan against a comparison of every earlier record, and the whole search
// against a plain rendering of it, node for node.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "byteboard/leaves.h"
#include "byteboard/push.h"
#include "byteboard_testing.h"

namespace {

// The code of a line from its cells: cell k of the line is digit k, base 3.
int32_t codeof(const uint8_t* first, int stride) {
    int32_t code = 0;
    for (int k = N - 1; k >= 0; k--) code = 3 * code + first[k * stride];
    return code;
}

// Every derived field of rec recomputed from its cells, except since (a property of the
// stack, checked by the callers).
void expectcodes(const posrec& rec) {
    uint64_t key = 0;
    for (int k = 0; k < N; k++) {
        EXPECT_EQ(rec.rowcode[k], codeof(&rec.cell[k * N], 1)) << "row " << k;
        EXPECT_EQ(rec.colcode[k], codeof(&rec.cell[k], N)) << "col " << k;
        key += static_cast<uint64_t>(codeof(&rec.cell[k * N], 1)) * rowweight[k];
    }
    EXPECT_EQ(rec.key, key);
}

void expectequal(const linescore& a, const linescore& b, const std::string& what) {
    EXPECT_EQ(a.xscore, b.xscore) << what;
    EXPECT_EQ(a.oscore, b.oscore) << what;
    EXPECT_EQ(a.xfull, b.xfull) << what;
    EXPECT_EQ(a.ofull, b.ofull) << what;
}

// Every field of two records.
void expectidentical(const posrec& a, const posrec& b) {
    EXPECT_EQ(0, std::memcmp(a.cell, b.cell, sizeof a.cell));
    for (int k = 0; k < N; k++) {
        expectequal(a.row[k], b.row[k], "row " + std::to_string(k));
        expectequal(a.col[k], b.col[k], "col " + std::to_string(k));
        EXPECT_EQ(a.rowcode[k], b.rowcode[k]);
        EXPECT_EQ(a.colcode[k], b.colcode[k]);
    }
    EXPECT_EQ(a.xtotal, b.xtotal);
    EXPECT_EQ(a.ototal, b.ototal);
    EXPECT_EQ(a.xstraights, b.xstraights);
    EXPECT_EQ(a.ostraights, b.ostraights);
    EXPECT_EQ(a.xpieces, b.xpieces);
    EXPECT_EQ(a.opieces, b.opieces);
    EXPECT_EQ(a.key, b.key);
    EXPECT_EQ(a.since, b.since);
}

// The push as plainly written: copy the record, walk the line, then rescore from the cells
// every crossing line whose cell changed and the pushed line.
// touched, when given, gets the cells the push changed, in the order visited.
posrec plainpush(const posrec& prev, char side, int32_t pos, int32_t player, int32_t index,
                 std::vector<int>* touched = nullptr) {
    posrec rec = prev;
    int first = side == 'T'   ? pos
                : side == 'B' ? (N - 1) * N + pos
                : side == 'L' ? pos * N
                              : pos * N + N - 1;
    int step = side == 'T' ? N : side == 'B' ? -N : side == 'L' ? 1 : -1;
    bool vertical = side == 'T' || side == 'B';
    int carried = player, old = 0;
    std::vector<int> changed;
    for (int i = 0; i < N; i++) {
        int k = first + i * step;
        old = rec.cell[k];
        if (old != carried) changed.push_back(k);
        rec.cell[k] = static_cast<uint8_t>(carried);
        if (old == 0) break;
        carried = old;
    }
    (player == 1 ? rec.xpieces : rec.opieces)++;
    if (old == 1) rec.xpieces--;
    if (old == 2) rec.opieces--;
    if (old == 0) rec.since = index;
    if (touched) *touched = changed;
    for (int k : changed) {
        if (vertical)
            computerow(rec, k / N);
        else
            computecol(rec, k % N);
    }
    if (vertical)
        computecol(rec, pos);
    else
        computerow(rec, pos);
    return rec;
}

BBTEST(Fast, TheLineTablesHoldTheCellByCellScoresOfEveryLine) {
    fresh();
    for (int32_t code = 0; code < ncodes; code++) {
        uint8_t cells[N];
        for (int k = 0, rest = code; k < N; k++, rest /= 3)
            cells[k] = static_cast<uint8_t>(rest % 3);
        ASSERT_EQ(codeof(cells, 1), code);
        linescore plain = plainlinescore(cells, 1);
        expectequal(linetable[code], plain, "code " + std::to_string(code));
        // And the run-score definition on the model, for both players.
        std::vector<model::Piece> line;
        for (uint8_t c : cells) line.push_back(piece(c));
        EXPECT_EQ(linetable[code].xscore, runscore(line, model::Piece::X)) << code;
        EXPECT_EQ(linetable[code].oscore, runscore(line, model::Piece::O)) << code;
    }
    // A line all X (every digit 1) and a line all O (every digit 2) score sumsize.
    const int32_t allx = (ncodes - 1) / 2, allo = ncodes - 1;
    EXPECT_EQ(linetable[allx].xscore, sumsize);
    EXPECT_EQ(linetable[allx].xfull, 1);
    EXPECT_EQ(linetable[allo].oscore, sumsize);
    EXPECT_EQ(linetable[allo].ofull, 1);
    // The worth of 2N lines, summed, gives back the straights' and the totals' differences
    // as the static value reads them, whatever their signs.
    std::mt19937 rng(5 + N);
    int decidedsums = 0;
    for (int round = 0; round < 4000; round++) {
        int64_t worth = 0;
        int32_t straights = 0, totals = 0;
        for (int k = 0; k < 2 * N; k++) {
            const int32_t code = rng() % 16 == 0 ? (rng() % 2 ? allx : allo) : rng() % ncodes;
            worth += lineworth[code];
            straights += linetable[code].xfull - linetable[code].ofull;
            totals += linetable[code].xscore - linetable[code].oscore;
        }
        const int32_t square = static_cast<int32_t>(rng() % 100) - 50;
        EXPECT_EQ(worthvalue(worth, square, 1), staticvalue(straights, totals, square, 1));
        EXPECT_EQ(worthvalue(worth, square, 2), staticvalue(straights, totals, square, 2));
        decidedsums += straights != 0;
    }
    EXPECT_GT(decidedsums, 800);
    EXPECT_LT(decidedsums, 3200);
}

BBTEST(Fast, PushesEqualThePlainPushOnRandomGames) {
    std::mt19937 rng(4242 + N);
    auto all = generationorder();
    int fulllines = 0, spoiled = 0;
    for (int game = 0; game < 60; game++) {
        fresh();
        int32_t player = 1;
        for (int ply = 1; ply <= 150; ply++) {
            // Now and then spoil a stored score: both pushes must carry it along alike
            // (only changed lines are rescored), and a rescore repairs it in both.
            if (rng() % 8 == 0) {
                linescore& l = rng() % 2 ? current().row[rng() % N] : current().col[rng() % N];
                l.xscore += 1 + static_cast<int32_t>(rng() % 50);
                l.ofull ^= 1;
                spoiled++;
            }
            auto [side, pos] = all[rng() % all.size()];
            std::vector<int> touched;
            posrec want = plainpush(current(), side, pos, player, history.hno + 1, &touched);
            domove(side, pos, player);
            expectidentical(current(), want);
            // The cells that differ from the record before are exactly those the walk changed.
            std::vector<int> differ;
            for (int k = 0; k < ncells; k++)
                if (current().cell[k] != history.hist[history.hno - 1].cell[k]) differ.push_back(k);
            std::sort(touched.begin(), touched.end());
            EXPECT_EQ(differ, touched);
            if (HasFailure()) FAIL() << "game " << game << " ply " << ply;
            fulllines +=
                current().xpieces + current().opieces ==
                history.hist[history.hno - 1].xpieces + history.hist[history.hno - 1].opieces;
            player = 3 - player;
        }
    }
    EXPECT_GT(fulllines, 1000);  // pushes into full lines were met often
    EXPECT_GT(spoiled, 100);
}

BBTEST(Fast, CodesKeysAndPieceBoundsFollowTheCells) {
    std::mt19937 rng(77 + N);
    for (int game = 0; game < 30; game++) {
        fresh();
        // Now and then start from a hand-made record, its codes set by computerow/computecol.
        if (game % 3 == 1) {
            std::vector<std::string> rows(N, std::string(N, '.'));
            for (auto& row : rows)
                for (char& ch : row) ch = ".XO"[rng() % 3];
            history.hist[0] = makerecord(rows);
        }
        int32_t player = 1;
        for (int ply = 1; ply <= 120; ply++) {
            player = randomgame(rng, 1, player);
            const posrec& rec = current();
            ASSERT_NO_FATAL_FAILURE(expectcodes(rec));
            // since: the first record of the run of records with as many pieces.
            int32_t pieces = rec.xpieces + rec.opieces, k = history.hno;
            while (k > 0 && history.hist[k - 1].xpieces + history.hist[k - 1].opieces == pieces)
                k--;
            ASSERT_EQ(rec.since, k) << "game " << game << " ply " << ply;
            // The piece count never falls, so no earlier record outside the run can match.
            for (int j = 0; j < k; j++)
                ASSERT_LT(history.hist[j].xpieces + history.hist[j].opieces, pieces);
        }
    }
}

// The static value as plainly written, of stack[top] for player to move: the repetition test
// compares every earlier record with the same side to move.
int32_t plainvalue(const posrec* stack, int32_t top, int32_t player) {
    const posrec& rec = stack[top];
    for (int32_t i = top % 2; i < top - 1; i += 2)
        if (std::memcmp(rec.cell, stack[i].cell, sizeof rec.cell) == 0) return decided;
    int32_t v;
    if (rec.xstraights != rec.ostraights) {
        v = rec.xstraights > rec.ostraights ? decided : -decided;
    } else {
        int32_t d = rec.xpieces - rec.opieces;
        v = rec.xtotal - rec.ototal + (d < 0 ? -d * d : d * d);
    }
    return player == 1 ? v : -v;
}

bool plainrepeats() {
    for (int32_t i = history.hno % 2; i < history.hno - 1; i += 2)
        if (std::memcmp(current().cell, history.hist[i].cell, sizeof history.hist[i].cell) == 0)
            return true;
    return false;
}

BBTEST(Fast, TheRepetitionScanEqualsAComparisonOfEveryEarlierRecord) {
    std::mt19937 rng(31 + N);
    // Few distinct moves, so that the board fills and positions recur often.
    const std::pair<char, int32_t> few[] = {{'T', 0}, {'B', 0}, {'L', 0},
                                            {'R', 0}, {'T', 1}, {'L', 1}};
    int hits = 0, misses = 0;
    for (int game = 0; game < 60; game++) {
        fresh();
        int32_t player = 1;
        for (int ply = 1; ply <= 160; ply++) {
            auto [side, pos] = few[rng() % (game % 2 ? 4 : 6)];
            domove(side, pos, player);
            player = 3 - player;
            (plainrepeats() ? hits : misses)++;
            for (int32_t p : {1, 2})
                ASSERT_EQ(score(current(), p), plainvalue(history.hist, history.hno, p))
                    << "game " << game << " ply " << ply;
        }
    }
    EXPECT_GT(hits, 500);
    EXPECT_GT(misses, 500);
}

BBTEST(Fast, EqualKeysOfDifferentCellsAreNoRepetition) {
    std::mt19937 rng(8 + N);
    int forged = 0;
    for (int game = 0; game < 40; game++) {
        fresh();
        int32_t player = randomgame(rng, 30 + game, 1);
        if (plainrepeats()) continue;
        // Give every earlier record the current key, as a colliding key would.
        for (int32_t i = 0; i < history.hno; i++) history.hist[i].key = current().key;
        forged++;
        EXPECT_EQ(score(current(), player), plainvalue(history.hist, history.hno, player))
            << "game " << game;
        EXPECT_EQ(score(current(), 3 - player), plainvalue(history.hist, history.hno, 3 - player));
        // Equal cells behind the forged keys still count: give the current record the cells
        // (and with them the line codes) of an earlier record of the same parity.
        int32_t i = current().since + ((current().since ^ history.hno) & 1);
        if (i < history.hno - 1) {
            const posrec& earlier = history.hist[i];
            std::memcpy(current().cell, earlier.cell, sizeof earlier.cell);
            std::memcpy(current().rowcode, earlier.rowcode, sizeof earlier.rowcode);
            std::memcpy(current().colcode, earlier.colcode, sizeof earlier.colcode);
            EXPECT_EQ(score(current(), player), decided) << "game " << game;
            EXPECT_EQ(plainvalue(history.hist, history.hno, player), decided);
        }
    }
    EXPECT_GT(forged, 30);
}

// The light record of player's move (side, pos) from the light record s.
lightrec lightchildof(const lightrec& s, char side, int32_t pos, int32_t player) {
    switch (side) {
        case 'T':
            return lightchild<'T'>(s, pos, player);
        case 'R':
            return lightchild<'R'>(s, pos, player);
        case 'B':
            return lightchild<'B'>(s, pos, player);
        default:
            return lightchild<'L'>(s, pos, player);
    }
}

// What lightreply makes of every reply by player of the light record s, in generation order.
template <int32_t player, char side, int32_t... pos>
void sidereplies(const lightrec& s, std::vector<Score>& out,
                 std::integer_sequence<int32_t, pos...>) {
    auto one = [&](auto reply) {
        Score best = lowest;  // below every value: best becomes the reply's value
        EXPECT_FALSE(reply(best));
        out.push_back(best);
    };
    (one([&](Score& best) { return lightreply<side, player, pos>(s, highest, best); }), ...);
}
template <int32_t player>
std::vector<Score> replyvalues(const lightrec& s) {
    std::vector<Score> out;
    constexpr auto line = std::make_integer_sequence<int32_t, N>();
    sidereplies<player, dirs[0]>(s, out, line);
    sidereplies<player, dirs[1]>(s, out, line);
    sidereplies<player, dirs[2]>(s, out, line);
    sidereplies<player, dirs[3]>(s, out, line);
    return out;
}

// A light record against the record rec = hist[at] it stands for.
void expectlight(const lightrec& t, const posrec& rec, int32_t at) {
    for (int k = 0; k < N; k++) {
        EXPECT_EQ(t.rowcode[k], rec.rowcode[k]) << "row " << k;
        EXPECT_EQ(t.colcode[k], rec.colcode[k]) << "col " << k;
    }
    const int64_t straights = rec.xstraights - rec.ostraights, totals = rec.xtotal - rec.ototal;
    EXPECT_EQ(t.worth, straights * (int64_t{1} << 32) + totals);
    EXPECT_EQ(t.key, rec.key);
    const int32_t d = rec.xpieces - rec.opieces;
    EXPECT_EQ(*t.square, d < 0 ? -d * d : d * d);
    EXPECT_EQ(t.since, rec.since);
    EXPECT_EQ(t.at, at);
}

void keeprepeated(int32_t depth, int32_t player, std::vector<bool>& keep, int& repeated) {
    for (auto [side, pos] : generationorder()) {
        domove(side, pos, player);
        for (int32_t i = 0; i + 1 < history.hno; i++)
            if (std::memcmp(current().cell, history.hist[i].cell, sizeof current().cell) == 0) {
                keep[i] = true;
                repeated++;
            }
        if (depth > 1) keeprepeated(depth - 1, 3 - player, keep, repeated);
        history.hno--;
    }
}

// The key of a random position depth plies below the current record; with full, one whose
// last push moved a full line where one can be found (so that its rivals are scanned).
uint64_t keybelow(std::mt19937& rng, int32_t depth, int32_t player, bool full = false) {
    auto all = generationorder();
    uint64_t key = 0;
    for (int tries = 0; tries < 50; tries++) {
        auto [side, pos] = all[rng() % all.size()];
        const int32_t pieces = current().xpieces + current().opieces;
        domove(side, pos, player);
        const bool moved = current().xpieces + current().opieces == pieces;
        key = depth > 1 ? keybelow(rng, depth - 1, 3 - player, full) : current().key;
        history.hno--;
        if (!full || depth > 1 || moved) break;
    }
    return key;
}

// What the checks of the light records met.
struct lightcounts {
    int lightrepeats = 0, leafrepeats = 0, straights = 0;
};

// The light record of the current record, those of its children and the values of their
// replies against the records that playing the moves makes and the plain static value
// (which compares the cells of every earlier record); player is to move.
void checklight(int32_t player, lightcounts& met) {
    auto all = generationorder();
    const lightrec s = lightof(current(), history.hno);
    expectlight(s, current(), history.hno);
    for (auto [side, pos] : all) {
        const lightrec t = lightchildof(s, side, pos, player);
        domove(side, pos, player);
        expectlight(t, current(), history.hno);
        EXPECT_EQ(lightvalue(t, 3 - player), plainvalue(history.hist, history.hno, 3 - player));
        met.lightrepeats += plainrepeats();
        met.straights += current().xstraights != current().ostraights;
        const std::vector<Score> got = player == 1 ? replyvalues<2>(t) : replyvalues<1>(t);
        for (size_t k = 0; k < all.size(); k++) {
            domove(all[k].first, all[k].second, 3 - player);
            EXPECT_EQ(got[k], -plainvalue(history.hist, history.hno, player))
                << side << pos << " " << all[k].first << all[k].second;
            met.leafrepeats += plainrepeats();
            history.hno--;
        }
        history.hno--;
    }
}

// checklight with the earlier records that nothing within two plies repeats forged to hold
// the key of a position two plies below: equal keys of other cells are no repetition.
void checkforged(std::mt19937& rng, int32_t player, lightcounts& met) {
    std::vector<uint64_t> keys;
    for (int32_t i = 0; i < history.hno; i++) keys.push_back(history.hist[i].key);
    std::vector<bool> keep(history.hno, false);
    int repeated = 0;
    keeprepeated(2, player, keep, repeated);
    const uint64_t key = keybelow(rng, 2, player, true);
    for (int32_t i = 0; i < history.hno; i++)
        if (!keep[i]) history.hist[i].key = key;
    checklight(player, met);
    for (int32_t i = 0; i < history.hno; i++) history.hist[i].key = keys[i];
}

// The last two plies' light records on random games, some of few distinct moves so that
// positions recur and lines fill, with the history's keys as they are and forged.
BBTEST(Fast, LightRecordsEqualTheRecordsTheirMovesMake) {
    std::mt19937 rng(606 + N);
    auto all = generationorder();
    const std::pair<char, int32_t> few[] = {{'T', 0}, {'B', 0}, {'L', 0}, {'R', 0}, {'T', 1}};
    lightcounts met;
    for (int game = 0; game < 48; game++) {
        fresh();
        int32_t player = 1;
        for (int ply = 0; ply < 60; ply++) {
            if (ply % 6 == 5) {
                checklight(player, met);
                checkforged(rng, player, met);
                if (HasFailure()) FAIL() << "game " << game << " ply " << ply;
            }
            auto [side, pos] = game % 2 ? few[rng() % 5] : all[rng() % all.size()];
            domove(side, pos, player);
            player = 3 - player;
        }
    }
    EXPECT_GT(met.lightrepeats, 200);
    EXPECT_GT(met.leafrepeats, 2400);
    EXPECT_GT(met.straights, 300);
}

// The whole engine as plainly written, on a stack of its own: the push above, the full
// repetition scan, the fixed-order alpha-beta and the root loop.
struct Plain {
    std::vector<posrec> stack;
    int64_t nodes = 0;

    int32_t value(int32_t player) {
        nodes++;
        return plainvalue(stack.data(), static_cast<int32_t>(stack.size()) - 1, player);
    }

    void play(char side, int32_t pos, int32_t player) {
        posrec next =
            plainpush(stack.back(), side, pos, player, static_cast<int32_t>(stack.size()));
        stack.push_back(next);
    }

    int32_t search(int32_t depth, int32_t player, int32_t alpha, int32_t beta) {
        int32_t v = value(player);
        if (depth <= 0 || std::abs(v - depth) > decidedbound) return v - depth;
        int32_t best = alpha;
        for (auto [side, pos] : generationorder()) {
            play(side, pos, player);
            int32_t g = -search(depth - 1, 3 - player, -beta, -best);
            stack.pop_back();
            if (g > best) best = g;
            if (best >= beta) return best;
        }
        return best;
    }

    std::vector<iteration> deepen(int32_t player, int32_t last) {
        std::vector<iteration> out;
        std::vector<rootmove> current, next(nmovesall);
        for (auto [side, pos] : generationorder()) current.push_back({side, pos, 0});
        char dir = 0;
        int32_t at = 0;
        for (int32_t depth = firstdepth; depth <= last; depth++) {
            int32_t best = lowest;
            for (int j = 0; j < nmovesall; j++) {
                rootmove e = current[j];
                play(e.dir, e.pos, player);
                int32_t f = -search(depth, 3 - player, lowest, -best);
                stack.pop_back();
                if (f > best) {
                    best = f;
                    dir = e.dir;
                    at = e.pos;
                    if (f > decidedbound) {
                        out.push_back({depth, best, nodes, dir, at, true});
                        return out;
                    }
                }
                int i = j;
                while (i > 0 && next[i - 1].value < f) {
                    next[i] = next[i - 1];
                    i--;
                }
                next[i] = {e.dir, e.pos, f};
            }
            out.push_back({depth, best, nodes, dir, at, false});
            nodes = 0;
            std::swap(current, next);
        }
        return out;
    }
};

// The positions one and two plies below a node with depth 1 or 2 are light records, never
// made; only when an earlier record holds one's key are its row codes compared. With the
// earlier records forged to carry the key of one such position, equal keys of different
// positions must be no repetition: values and node counts still equal the plain search,
// which compares cells only. A record that some position of the search really repeats keeps
// its own key, so that the real repetitions stay visible to the key filter.
BBTEST(Fast, LightPositionsWithCollidingKeysAreValuedAsThePlainSearch) {
    std::mt19937 rng(77 + N);
    auto all = generationorder();
    int searched = 0, forged = 0, repeated = 0;
    for (int game = 0; game < 240; game++) {
        fresh();
        int32_t player = 1;
        const int length = 4 + static_cast<int>(rng() % 30);
        bool open = true;
        for (int k = 0; k < length && open; k++) {
            auto [side, pos] = game % 2 ? all[rng() % all.size()] : all[rng() % 3 * N];
            domove(side, pos, player);
            player = 3 - player;
            open = current().xstraights == current().ostraights && !plainrepeats();
        }
        if (!open) continue;
        // Depth 1 and 2 in turn; at depth 2 the forged key is a child's or a grandchild's.
        const int32_t depth = 1 + game % 2, below = game % 4 == 1 ? 1 : depth;
        std::vector<bool> keep(history.hno, false);
        keeprepeated(depth, player, keep, repeated);
        const uint64_t key = keybelow(rng, below, player);
        for (int32_t i = 0; i < history.hno; i++)
            if (!keep[i]) {
                history.hist[i].key = key;
                forged++;
            }
        Plain plain;
        plain.stack.assign(history.hist, history.hist + history.hno + 1);
        const int32_t want = plain.search(depth, player, lowest, -lowest);
        const int32_t top = history.hno;
        evaluation.nscore = 0;
        EXPECT_EQ(ab(depth, player, lowest, -lowest), want) << "game " << game;
        EXPECT_EQ(evaluation.nscore, plain.nodes) << "game " << game;
        EXPECT_EQ(history.hno, top);
        searched++;
    }
    EXPECT_GT(searched, 100);
    EXPECT_GT(forged, 400);
    EXPECT_GT(repeated, 20);
}

std::vector<iteration> seen;
void record(const iteration& it) {
    seen.push_back(it);
}

BBTEST(Fast, TheSearchEqualsThePlainSearchNodeForNode) {
    std::mt19937 rng(2024 + N);
    auto all = generationorder();
    int games = 0;
    for (int game = 0; games < 12; game++) {
        ASSERT_LT(game, 1000) << "too few open games";
        fresh();
        // Open games of 6 to 45 moves, with few distinct moves in some so that the search
        // meets repetitions.
        int length = 6 + static_cast<int>(rng() % 40);
        int32_t player = 1;
        bool open = true;
        for (int k = 0; k < length && open; k++) {
            auto [side, pos] = game % 3 ? all[rng() % all.size()] : all[rng() % 3 * N];
            domove(side, pos, player);
            player = 3 - player;
            open = current().xstraights == current().ostraights && !plainrepeats();
        }
        if (!open) continue;
        games++;
        Plain plain;
        plain.stack.assign(history.hist, history.hist + history.hno + 1);
        int32_t last = game % 4 == 0 ? 4 : 3;
        std::vector<iteration> want = plain.deepen(player, last);

        seen.clear();
        deepening.observer = record;
        deepening.maxdepth = last;
        int32_t start = history.hno;
        computemove(&deepening.bestdir, &deepening.bestpos, player);
        deepening.observer = nullptr;
        ASSERT_EQ(seen.size(), want.size()) << "game " << game;
        for (size_t i = 0; i < want.size(); i++) {
            EXPECT_EQ(seen[i].depth, want[i].depth);
            EXPECT_EQ(seen[i].value, want[i].value)
                << "game " << game << " depth " << want[i].depth;
            EXPECT_EQ(seen[i].nodes, want[i].nodes)
                << "game " << game << " depth " << want[i].depth;
            EXPECT_EQ(seen[i].dir, want[i].dir);
            EXPECT_EQ(seen[i].pos, want[i].pos);
            EXPECT_EQ(seen[i].forcedwin, want[i].forcedwin);
        }
        EXPECT_EQ(history.hno, start + (want.back().forcedwin ? 1 : 0));
    }
}

}  // namespace
