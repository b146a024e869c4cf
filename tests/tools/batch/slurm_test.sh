#!/usr/bin/env bash
# The Slurm recipe on a single-node cluster started here, with a stand-in referee: a job
# array of three shards and the tally job that depends on it; then a failing shard, after
# which the tally job must be cancelled. Skipped (status 77) where no cluster can start.
# Then the real referee (in BIN_DIR) plays a round robin of fixed-depth players as a job
# array of three shards, and the tally job's table is that of the same round robin played
# in one piece.
#   slurm_test.sh BATCH_DIR TEST_DIR BIN_DIR
set -uo pipefail
batch=$1
here=$2
bin=$3
work=$(mktemp -d)
cleanup() {
    "$batch/local-slurm.sh" stop "$work/cluster"
    rm -rf "$work"
}
trap cleanup EXIT
# Stopped from outside (a timeout, ^C): still stop the daemons on the way out.
trap 'exit 1' TERM INT HUP
"$batch/local-slurm.sh" start "$work/cluster" 2>"$work/start.txt"
status=$?
if [ $status -eq 2 ]; then
    echo "SKIPPED: $(cat "$work/start.txt")"
    exit 77
elif [ $status -ne 0 ]; then
    echo "FAILED: the cluster did not start"; cat "$work/start.txt"; exit 1
fi
export SLURM_CONF=$work/cluster/slurm.conf
export REFEREE=$here/stub-referee.sh
options=(-a 'analyze --quiet --depth 3' --games 12 '--name=two words')

# Waits (up to 40 s) until job $1 has left the queue; prints its final state.
finish() {
    local state=""
    for _ in $(seq 200); do
        state=$(scontrol show job "$1" 2>/dev/null | grep -o 'JobState=[A-Z_]*' | head -n 1)
        case "$state" in
        JobState=PENDING | JobState=RUNNING | JobState=CONFIGURING | JobState=COMPLETING | "") sleep 0.2 ;;
        *) echo "${state#JobState=}"; return ;;
        esac
    done
    echo TIMEOUT
}

mkdir "$work/run" && cd "$work/run" || exit 1
read -r _ tally < <("$batch/slurm-submit.sh" 3 -- "${options[@]}")
[ -n "${tally:-}" ] || { echo "FAILED: submission"; exit 1; }
state=$(finish "$tally")
[ "$state" = COMPLETED ] || { echo "FAILED: tally job $state"; cat ./*.log tally.txt 2>/dev/null; exit 1; }
diff -u "$here/expected.txt" tally.txt || { echo "FAILED: tally differs"; exit 1; }
for k in 0 1 2; do
    [ "$(head -n 1 shard-$k.txt)" = "shard $k/3" ] || { echo "FAILED: shard-$k.txt"; exit 1; }
done

mkdir "$work/fail" && cd "$work/fail" || exit 1
read -r _ tally < <(STUB_FAIL=1 "$batch/slurm-submit.sh" 3 -- "${options[@]}")
state=$(finish "$tally")
[ "$state" = CANCELLED ] || { echo "FAILED: tally job after a failed shard: $state"; exit 1; }
[ -e tally.txt ] && { echo "FAILED: tallied after a failed shard"; exit 1; }

mkdir "$work/real" && cd "$work/real" || exit 1
export REFEREE=$bin/referee
source "$here/real_match.sh"
real_options
one_piece
read -r _ tally < <("$batch/slurm-submit.sh" 3 -- "${options[@]}")
[ -n "${tally:-}" ] || { echo "FAILED: submission with the real referee"; exit 1; }
state=$(finish "$tally")
[ "$state" = COMPLETED ] ||
    { echo "FAILED: real tally job $state"; cat ./*.log tally.txt 2>/dev/null; exit 1; }
same_as_one_piece tally.txt
echo "Slurm recipe: passed"
