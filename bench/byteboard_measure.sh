#!/bin/sh
# Runs the byte-board measuring tool on every recorded position.
#   bench/byteboard_measure.sh BUILD_DIR            iteration lines (compare with baseline.txt)
#   bench/byteboard_measure.sh BUILD_DIR callgrind  instructions per node inside computemove
set -e
build=${1:?build directory}
here=$(dirname "$0")
for f in "$here"/positions/*.txt; do
    name=$(basename "$f" .txt)
    n=$(echo "$name" | cut -c2)
    tool="$build/bench/byteboard_measure$n"
    if [ "$2" = callgrind ]; then
        out=$(mktemp)
        valgrind --tool=callgrind --toggle-collect='*computemove*' --callgrind-out-file="$out" \
            "$tool" "$f" > "$out.txt" 2>/dev/null
        ir=$(callgrind_annotate "$out" 2>/dev/null | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}')
        nodes=$(awk '/^depth/ {s += $6} END {print s}' "$out.txt")
        echo "$name instructions $ir nodes $nodes per-node $(echo "scale=1; $ir / $nodes" | bc)"
        rm -f "$out" "$out.txt"
    else
        echo "== $name"
        "$tool" "$f"
    fi
done
