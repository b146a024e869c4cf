#!/usr/bin/env bash
# Instructions per search node, counted by callgrind (deterministic, unlike the clock).
#
#   bench/instructions.sh [BIN_DIR [CASE...]]   (default build/bin; a Release build)
#
# With CASE arguments only the cases whose record file name contains one of them run
# (for example `bench/instructions.sh build/bin n12 n20`).
#
# Each case runs analyze under valgrind --tool=callgrind with collection switched on only
# inside the engine's deepening (bit-row deepen, byte-board computemove), so start-up,
# table set-up and the replay are not counted; the nodes are the sum of the info lines'
# nodes. Prints one line per case: engine, N, moves played, depth, instructions, nodes and
# instructions per node. The search runs without a practical time limit (--time 1000000),
# since valgrind slows it about a hundred times. The bit-row N = 8 case takes long.
# Every row width has a case (N = 12 for the 16-bit rows, N = 20 for the 32-bit rows), and
# both byte-board sizes early and late in a game.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin="${1:-$here/../build/bin}"
shift || true
filters=("$@")
analyze="$bin/analyze"
[ -x "$analyze" ] || { echo "no analyze in $bin" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "valgrind is needed" >&2; exit 1; }
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# engine  width-or-size  depth  record
cases=(
    "bitrow    8  5  n06-16.txt"
    "bitrow    8  5  n08-14.txt"
    "bitrow   16  3  n12-mid.txt"
    "bitrow   32  3  n20-mid.txt"
    "byteboard 6  5  n06-15.txt"
    "byteboard 7  5  n07-17.txt"
    "byteboard 6  5  n06-40.txt"
    "byteboard 7  5  n07-40.txt"
)

printf '%-12s %3s %6s %6s %15s %12s %10s\n' engine N moves depth instructions nodes "instr/node"
for c in "${cases[@]}"; do
    read -r engine width depth file <<<"$c"
    if [ ${#filters[@]} -gt 0 ]; then
        wanted=no
        for f in "${filters[@]}"; do [[ "$file" == *"$f"* ]] && wanted=yes; done
        [ "$wanted" = yes ] || continue
    fi
    record="$here/positions/$file"
    if [ "$engine" = bitrow ]; then
        args=(--engine bitrow --width "$width")
        toggle='bitrow::w*::deepen*'
        name="bitrow$width"
    else
        args=(--engine byteboard)
        toggle='byteboard::n*::computemove*'
        name=byteboard
    fi
    valgrind --tool=callgrind --callgrind-out-file="$tmp/out" --collect-atstart=no \
        --toggle-collect="$toggle" "$analyze" "${args[@]}" --depth "$depth" --time 1000000 \
        "$record" \
        >"$tmp/info" 2>"$tmp/log"
    instructions=$(awk '/^summary:/ {print $2}' "$tmp/out")
    nodes=$(awk '$1 == "info" {s += $7} END {print s}' "$tmp/info")
    n=$(head -n 1 "$record")
    moves=$(($(wc -l <"$record") - 1))
    awk -v e="$name" -v n="$n" -v m="$moves" -v d="$depth" -v i="$instructions" -v k="$nodes" \
        'BEGIN { printf "%-12s %3s %6s %6s %15s %12s %10.1f\n", e, n, m, d, i, k, i / k }'
    grep -q '^bestmove' "$tmp/info" || { echo "$file: no answer" >&2; exit 1; }
done
