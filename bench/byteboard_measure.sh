#!/bin/sh
# Runs the byte-board measuring tool on its recorded games (bench/positions/n6_*.txt and
# n7_*.txt: move lines only, no size line; the digit after "n" is the board size).
#   bench/byteboard_measure.sh BUILD_DIR            iteration lines (compare with baseline.txt)
#   bench/byteboard_measure.sh BUILD_DIR check      the same, compared with baseline.txt
#   bench/byteboard_measure.sh BUILD_DIR callgrind  instructions per node inside computemove
set -e
build=${1:?build directory}
mode=${2:-}
here=$(dirname "$0")
run() {
    for f in "$here"/positions/n[67]_*.txt; do
        name=$(basename "$f" .txt)
        n=$(echo "$name" | cut -c2)
        tool="$build/bench/byteboard_measure$n"
        [ -x "$tool" ] || { echo "no $tool" >&2; exit 1; }
        if [ "$mode" = callgrind ]; then
            out=$(mktemp)
            valgrind --tool=callgrind --collect-atstart=no --toggle-collect='*computemove*' \
                --callgrind-out-file="$out" "$tool" "$f" >"$out.txt" 2>/dev/null
            ir=$(awk '/^summary:/ {print $2}' "$out")
            nodes=$(awk '/^depth/ {s += $6} END {print s}' "$out.txt")
            awk -v name="$name" -v ir="$ir" -v k="$nodes" \
                'BEGIN { printf "%s instructions %s nodes %s per-node %.1f\n", name, ir, k, ir / k }'
            rm -f "$out" "$out.txt"
        else
            echo "== $name"
            "$tool" "$f"
        fi
    done
}
if [ "$mode" = check ]; then
    out=$(mktemp)
    run >"$out"
    if diff -u "$here/baseline.txt" "$out"; then
        echo "byte-board iterations as in baseline.txt"
        rm -f "$out"
    else
        rm -f "$out"
        exit 1
    fi
else
    run
fi
