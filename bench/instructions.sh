#!/usr/bin/env bash
# Instructions per search node, counted by callgrind (deterministic, unlike the clock).
#
#   bench/instructions.sh [BIN_DIR [CASE...]]                 the cases below
#   bench/instructions.sh BIN_DIR --suite SUITE_FILE [CASE...] the positions of a suite file
#   bench/instructions.sh BIN_DIR --whole [--suite ...] [CASE...] the whole process counted
#
# BIN_DIR defaults to build/bin (a Release build). With CASE arguments only the cases whose
# record file name contains one of them run (for example `bench/instructions.sh build/bin
# n12 n20`). A suite file is one of `analyze bench` (suite.txt, random_games.txt): engine,
# depth and record file per line, the path relative to the suite file; a bit-row case runs
# the narrowest row width that holds its N.
#
# Each case runs analyze under valgrind --tool=callgrind with collection switched on only
# inside the engine's deepening (bit-row deepen, byte-board computemove), so start-up,
# table set-up and the replay are not counted; the nodes are the sum of the info lines'
# nodes. With --whole every instruction of the process counts (start-up, tables, the replay and
# the report included), as a player's turn costs it. Prints one line per case: engine, N, moves played, depth, instructions, nodes and
# instructions per node, and with more than one case their totals. The search runs without
# a practical time limit (--time 1000000), since valgrind slows it about a hundred times.
# The bit-row N = 8 cases take long. Every row width has a case below (N = 6 and 8 for the
# 8-bit rows at depths 5 and 4, N = 12 for the 16-bit rows, N = 20 for the 32-bit rows), and
# both byte-board sizes early and late in a game.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin="${1:-$here/../build/bin}"
shift || true
whole=no
if [ "${1:-}" = --whole ]; then
    whole=yes
    shift
fi
suite=""
if [ "${1:-}" = --suite ]; then
    suite="${2:?--suite needs a file}"
    shift 2
fi
filters=("$@")
analyze="$bin/analyze"
[ -x "$analyze" ] || { echo "no analyze in $bin" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "valgrind is needed" >&2; exit 1; }
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# engine  depth  record (relative to bench/)
cases=(
    "bitrow    5  positions/n06-16.txt"
    "bitrow    5  positions/n08-14.txt"
    "bitrow    4  positions/n06-mid.txt"
    "bitrow    4  positions/n08-mid.txt"
    "bitrow    3  positions/n12-mid.txt"
    "bitrow    3  positions/n20-mid.txt"
    "byteboard 5  positions/n06-15.txt"
    "byteboard 5  positions/n07-17.txt"
    "byteboard 5  positions/n06-40.txt"
    "byteboard 5  positions/n07-40.txt"
)
base="$here"
if [ -n "$suite" ]; then
    [ -r "$suite" ] || { echo "cannot read $suite" >&2; exit 1; }
    base="$(cd "$(dirname "$suite")" && pwd)"
    mapfile -t cases < <(sed 's/#.*//' "$suite" | awk 'NF >= 3 { print $1, $2, $3 }')
    [ ${#cases[@]} -gt 0 ] || { echo "$suite holds no positions" >&2; exit 1; }
fi

# The narrowest bit-row build that plays a board of size n.
width_for() {
    if [ "$1" -le 8 ]; then echo 8; elif [ "$1" -le 16 ]; then echo 16; else echo 32; fi
}

printf '%-12s %3s %6s %6s %15s %12s %10s\n' engine N moves depth instructions nodes "instr/node"
sum_i=0
sum_k=0
count=0
for c in "${cases[@]}"; do
    read -r engine depth file <<<"$c"
    if [ ${#filters[@]} -gt 0 ]; then
        wanted=no
        for f in "${filters[@]}"; do [[ "$file" == *"$f"* ]] && wanted=yes; done
        [ "$wanted" = yes ] || continue
    fi
    [[ "$file" == /* ]] && record="$file" || record="$base/$file"
    [ -r "$record" ] || { echo "cannot read $record" >&2; exit 1; }
    n=$(head -n 1 "$record")
    if [ "$engine" = bitrow ]; then
        width=$(width_for "$n")
        args=(--engine bitrow --width "$width")
        toggle='bitrow::w*::deepen*'
        name="bitrow$width"
    else
        args=(--engine byteboard)
        toggle='byteboard::n*::computemove*'
        name=byteboard
    fi
    collect=(--collect-atstart=no --toggle-collect="$toggle")
    [ "$whole" = yes ] && collect=()
    valgrind --tool=callgrind --callgrind-out-file="$tmp/out" "${collect[@]}" \
        "$analyze" "${args[@]}" --depth "$depth" --time 1000000 "$record" \
        >"$tmp/info" 2>"$tmp/log"
    instructions=$(awk '/^summary:/ {print $2}' "$tmp/out")
    nodes=$(awk '$1 == "info" {s += $7} END {print s}' "$tmp/info")
    moves=$(($(wc -l <"$record") - 1))
    awk -v e="$name" -v n="$n" -v m="$moves" -v d="$depth" -v i="$instructions" -v k="$nodes" \
        'BEGIN { printf "%-12s %3s %6s %6s %15s %12s %10.1f\n", e, n, m, d, i, k, i / k }'
    grep -q '^bestmove' "$tmp/info" || { echo "$file: no answer" >&2; exit 1; }
    sum_i=$((sum_i + instructions))
    sum_k=$((sum_k + nodes))
    count=$((count + 1))
done
if [ "$count" -gt 1 ]; then
    awk -v i="$sum_i" -v k="$sum_k" \
        'BEGIN { printf "%-12s %3s %6s %6s %15s %12s %10.1f\n", "total", "", "", "", i, k, i / k }'
fi
