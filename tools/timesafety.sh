#!/usr/bin/env bash
# Time safety under load: plays a few short games at the players' real budgets while a
# CPU-burning process keeps the second core busy, and prints each player's slowest answer
# with the margin left to a 30 s limit. The referee times every move from the start of the
# player's process to its answer, so the bit-row hand-over (start-up, the pipe, the child's
# tables) is inside the measured time.
#
#   tools/timesafety.sh [PLIES] [BIN]     # PLIES searched moves per game (default 4),
#                                         # BIN the built players (default build/bin)
#
# About PLIES x 30 s per game, five games. The per-move lines go to BIN/timesafety.log.
set -euo pipefail
cd "$(dirname "$0")/.."
plies=${1:-4}
bin=$(cd "${2:-build/bin}" && pwd)
limit=30
log=$bin/timesafety.log
: >"$log"

yes >/dev/null &
burner=$!
trap 'kill "$burner" 2>/dev/null || true' EXIT

# name | N | A command | A protocol | A time | B command | B protocol | B time
games=(
    "6|./shover8|bitrow|30|./pusher6|byteboard|28"
    "7|./shover8|bitrow|30|./pusher7|byteboard|28"
    "12|./shover8|bitrow|30|./shover8|bitrow|30"
    "16|./shover8|bitrow|30|./shover8|bitrow|30"
    "20|./shover8|bitrow|30|./shover8|bitrow|30"
)
opening=8
cd "$bin"
for g in "${games[@]}"; do
    IFS='|' read -r n a ap at b bp bt <<<"$g"
    an="$(basename "$a")@N$n"
    bn="$(basename "$b")@N$n"
    [ "$an" = "$bn" ] && an="$an-a" && bn="$bn-b"
    echo "== N = $n: $an against $bn, $plies plies after a random opening of $opening" >&2
    ./referee -a "$a" --a-proto "$ap" --a-time "$at" --a-name "$an" \
        -b "$b" --b-proto "$bp" --b-time "$bt" --b-name "$bn" \
        -n "$n" --games 1 --random-openings "$opening" --seed "$n" \
        --max-plies $((opening + plies)) --margin 1 --show 2>/dev/null |
        grep -E '^(ply [0-9]+:|result:)' | tee -a "$log" >&2
done

echo
echo "slowest answer per player (limit $limit s), from the referee's per-move times:"
awk -v limit="$limit" '
    /^ply [0-9]+:/ {
        name = $4; gsub(/[()]/, "", name)
        for (i = 1; i <= NF; i++) if ($i == "in") s = $(i + 1) + 0
        if (!(name in worst) || s > worst[name]) worst[name] = s
        moves[name]++
    }
    /^result:/ && /time|crash|illegal/ { bad++ ; print "  LOST: " $0 }
    END {
        for (p in worst)
            printf "  %-22s %2d moves, slowest %6.2f s, margin %5.2f s\n", p, moves[p], worst[p],
                   limit - worst[p]
        if (bad) exit 1
    }' "$log" | sort
