#!/usr/bin/env bash
# The GNU parallel recipe on this machine, with a stand-in referee: three shards, each
# once, every option intact, then the tally; and a failing shard stops it before the tally.
# Then with the real referee (in BIN_DIR): a round robin of fixed-depth players in three
# shards tallies to the table of the same round robin played in one piece, game for game.
#   parallel_test.sh BATCH_DIR TEST_DIR BIN_DIR
set -uo pipefail
batch=$1
here=$2
bin=$3
command -v parallel >/dev/null ||
    { echo "SKIPPED: GNU parallel is not installed (Debian package parallel)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
export REFEREE=$here/stub-referee.sh
options=(-a 'analyze --quiet --depth 3' --games 12 '--name=two words')

if ! "$batch/parallel-shards.sh" 3 -j 2 -- "${options[@]}" >out.txt 2>err.txt; then
    echo "FAILED: the recipe failed"; cat err.txt; exit 1
fi
diff -u "$here/expected.txt" out.txt || { echo "FAILED: tally differs"; exit 1; }
for k in 0 1 2; do
    [ "$(head -n 1 shard-$k.txt)" = "shard $k/3" ] || { echo "FAILED: shard-$k.txt"; exit 1; }
done

rm -f shard-*.txt
if STUB_FAIL=1 "$batch/parallel-shards.sh" 3 -j 1 -- "${options[@]}" >out.txt 2>err.txt; then
    echo "FAILED: a failed shard was reported as success"; exit 1
fi
grep -q "tally of" out.txt && { echo "FAILED: tallied after a failed shard"; exit 1; }
[ -e shard-2.txt ] && { echo "FAILED: shards went on after a failure"; exit 1; }

mkdir "$work/real" && cd "$work/real" || exit 1
unset REFEREE
export PATH=$bin:$PATH
source "$here/real_match.sh"
real_options
one_piece
"$batch/parallel-shards.sh" 3 -j 2 -- "${options[@]}" >tally.txt 2>err.txt ||
    { echo "FAILED: the recipe with the real referee"; cat err.txt; exit 1; }
same_as_one_piece tally.txt
echo "parallel recipe: passed"
