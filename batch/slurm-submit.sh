#!/usr/bin/env bash
# Submits a match in M shards to Slurm: a job array of M tasks (slurm-shard.sbatch) and a
# tally job (slurm-tally.sbatch) that starts when every task has succeeded and is
# cancelled when one fails. Prints the two job ids. Run it from the folder that is to
# hold the shard files and tally.txt (on a file system the compute nodes share).
#
#   slurm-submit.sh M [SBATCH-OPTIONS...] -- REFEREE-OPTIONS...
#
# SBATCH-OPTIONS (say --partition=P, --time=H:M:S) go to both jobs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
usage_text="M [SBATCH-OPTIONS...] -- REFEREE-OPTIONS..."
. "$here/args.sh"
[ $# -ge 1 ] || usage
shards=$1
shift
check_shard_count "$shards"
sbatchopts=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do sbatchopts+=("$1"); shift; done
[ $# -ge 1 ] || usage
shift

array=$(sbatch --parsable "${sbatchopts[@]}" --array=0-$((shards - 1)) \
    "$here/slurm-shard.sbatch" "$@")
array=${array%%;*}
tally=$(sbatch --parsable "${sbatchopts[@]}" --dependency=afterok:"$array" \
    --kill-on-invalid-dep=yes "$here/slurm-tally.sbatch" "$shards")
tally=${tally%%;*}
echo "$array $tally"
