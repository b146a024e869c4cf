#!/usr/bin/env bash
# Plays a match (or tournament) in M shards with GNU parallel, on this machine or on others
# over ssh, then tallies the shard files into the one table of the whole match.
#
#   parallel-shards.sh M [-S HOSTS] [-j JOBS] -- REFEREE-OPTIONS...
#
# Shard K of M (K = 0 .. M-1) runs `referee REFEREE-OPTIONS --shard K/M -o shard-K.txt`
# in the current folder; then `referee tally shard-0.txt ... shard-(M-1).txt` prints the
# result. HOSTS is GNU parallel's list (`host1,host2`, `:` is this machine); every host
# needs the referee and the players at the same paths, and the shard files come back here.
# JOBS is the number of shards run at once on each host (default: one per CPU). The
# referee is $REFEREE, else `referee` on the PATH. A shard that fails stops the rest and
# nothing is tallied; run the same command with --resume among the options to continue.
set -euo pipefail

usage_text="M [-S HOSTS] [-j JOBS] -- REFEREE-OPTIONS..."
. "$(dirname "$0")/args.sh"
[ $# -ge 1 ] || usage
shards=$1
shift
check_shard_count "$shards"
remote=()
jobs=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    case "$1" in
    -S) [ $# -ge 2 ] || usage; remote=(-S "$2" --workdir . --return "shard-{}.txt" --cleanup); shift 2 ;;
    -j) [ $# -ge 2 ] || usage; jobs=(-j "$2"); shift 2 ;;
    *) usage ;;
    esac
done
[ $# -ge 1 ] || usage
shift
referee=${REFEREE:-referee}

# -q keeps every option one word (player command lines hold spaces) locally and over ssh.
# The shards' own tables go to standard error, so that standard output is the tally alone.
parallel --will-cite -q --halt now,fail=1 "${jobs[@]}" "${remote[@]}" \
    "$referee" "$@" --shard "{}/$shards" -o "shard-{}.txt" ::: $(seq 0 $((shards - 1))) >&2

files=()
for ((k = 0; k < shards; k++)); do files+=("shard-$k.txt"); done
exec "$referee" tally "${files[@]}"
