#!/usr/bin/env bash
# The referee's own cost per move. Plays a match of an instant stand-in player
# (bench/referee/instant_player.c: reads the game, answers at once), then runs the bare
# per-turn loop (bench/referee/bare_loop.c: fork, the game into a pipe, the answer line out,
# wait) on the same turns, and prints the wall and CPU time per move of both and their
# ratio. CPU time counts the players too, the same in both.
# Usage: bench/referee_overhead.sh [BUILD_DIR] [--referee PATH] [--sandbox] [--games G]
#   BUILD_DIR   a Release build (default build); its bench/ holds the two programs
#   --referee   the referee to measure (default BUILD_DIR/bin/referee), an older build say
#   --sandbox   every turn in the sandbox (bubblewrap)
set -euo pipefail
build=build referee= games=20 extra=()
while [ $# -gt 0 ]; do
    case $1 in
    --referee) referee=$2 && shift 2 ;;
    --sandbox) extra+=(--sandbox) && shift ;;
    --games) games=$2 && shift 2 ;;
    -h | --help) sed -n '2,11p' "$0" | cut -c3- && exit 0 ;;
    *) build=$1 && shift ;;
    esac
done
referee=${referee:-$build/bin/referee}
player=$(realpath "$build/bench/instant_player")
loop=$build/bench/bare_loop
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

/usr/bin/time -f '%e %U %S' -o "$tmp/referee.time" "$referee" -a "$player 1" -b "$player 2" \
    --a-name s1 --b-name s2 -n 8 --random-openings 2 --games "$games" --no-check \
    -o "$tmp/games.txt" ${extra[@]+"${extra[@]}"} >/dev/null 2>"$tmp/referee.err" ||
    { cat "$tmp/referee.err" >&2 && exit 1; }
turns=$(/usr/bin/time -f '%e %U %S' -o "$tmp/loop.time" "$loop" "$tmp/games.txt" "$player" 1)

read -r rw ru rs <"$tmp/referee.time"
read -r lw lu ls <"$tmp/loop.time"
awk -v t="$turns" -v g="$games" -v rw="$rw" -v rc="$ru + $rs" -v lw="$lw" -v lc="$lu + $ls" \
    -v sb="${extra[*]+ (sandbox)}" -v load="$(cut -d' ' -f1-3 /proc/loadavg)" 'BEGIN {
    split(rc, r, " [+] "); split(lc, l, " [+] "); rc = r[1] + r[2]; lc = l[1] + l[2]
    printf "turns %d (%d games, N = 8), load %s\n", t, g, load
    printf "referee%-10s wall %6.3f ms/move   cpu %6.3f ms/move\n", sb, 1000 * rw / t, 1000 * rc / t
    printf "bare loop%-8s wall %6.3f ms/move   cpu %6.3f ms/move\n", "", 1000 * lw / t, 1000 * lc / t
    printf "ratio             wall %6.2f            cpu %6.2f\n", rw / lw, rc / lc
}'
