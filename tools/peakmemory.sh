#!/usr/bin/env bash
# Peak resident memory of every player program on one full turn at its largest N, as
# /usr/bin/time -v reports it (maximum resident set size). Each bit-row turn takes its
# whole 29.5 s budget, each byte-board turn its 28 s default; two run at a time.
#
#   tools/peakmemory.sh [BIN]      # BIN: the built players (default build/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)
bin=$(cd "${1:-build/bin}" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cd "$bin"

measure() {  # name, input, command...
    local name=$1 input=$2
    shift 2
    printf '%s\n' "$input" | /usr/bin/time -v -o "$out/$name.time" "$@" >"$out/$name.out" 2>/dev/null || true
}

# Games of 3 N^2 random plies that repeat no position: the board is full, so that most
# pushes run through their line and fill the bit-row score cache, the largest table.
record() {  # N, with the size line or not
    python3 -c "import sys; sys.path.insert(0, '$here/fuzz'); from make_corpus import open_game
n = $1; print(*(['%d' % n] if $2 else []), *open_game(n, 3 * n * n, n), sep='\\n')"
}
measure shover8_N8 "$(record 8 1)" ./shover8 &
measure shover16_N16 "$(record 16 1)" ./support/shover16
wait
measure shover20_N20 "$(record 20 1)" ./support/shover20 &
measure shover8_to_shover20_N20 "$(record 20 1)" ./shover8
wait
measure pusher6 "$(record 6 0)" ./pusher6 &
measure pusher7 "$(record 7 0)" ./pusher7
wait

printf '%-26s %-8s %s\n' program answer "peak RSS"
for f in shover8_N8 shover16_N16 shover20_N20 shover8_to_shover20_N20 pusher6 pusher7; do
    kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$out/$f.time")
    awk -v f="$f" -v a="$(tr -d '\n' <"$out/$f.out")" -v kb="$kb" \
        'BEGIN { printf "%-26s %-8s %6d KiB (%.2f MiB)\n", f, a, kb, kb / 1024 }'
done
