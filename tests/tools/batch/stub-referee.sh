#!/usr/bin/env bash
# Stands in for the referee in the batch recipes. A shard (`... --shard K/M -o FILE`)
# writes its shard and every other option, one per line, to FILE. `tally FILE...` checks
# that the files are the shards 0 .. M-1 of one M, each once, with the same options, and
# prints the options and the shard count. STUB_FAIL=K makes shard K fail.
set -euo pipefail

if [ "${1:-}" = tally ]; then
    shift
    [ $# -ge 1 ] || { echo "tally: no files" >&2; exit 1; }
    seen=()
    m=""
    first=""
    for f in "$@"; do
        [ -f "$f" ] || { echo "tally: $f missing" >&2; exit 1; }
        line=$(head -n 1 "$f")
        [[ "$line" =~ ^shard\ ([0-9]+)/([0-9]+)$ ]] || { echo "tally: $f: bad first line" >&2; exit 1; }
        k=${BASH_REMATCH[1]}
        if [ -z "$m" ]; then m=${BASH_REMATCH[2]}; first=$f; fi
        [ "${BASH_REMATCH[2]}" = "$m" ] || { echo "tally: $f is of another match" >&2; exit 1; }
        [ -z "${seen[$k]:-}" ] || { echo "tally: shard $k twice" >&2; exit 1; }
        seen[k]=1
        cmp -s <(tail -n +2 "$f") <(tail -n +2 "$first") ||
            { echo "tally: $f has other options" >&2; exit 1; }
    done
    [ "${#seen[@]}" -eq "$m" ] || { echo "tally: ${#seen[@]} of $m shards" >&2; exit 1; }
    echo "tally of $m shards"
    tail -n +2 "$1"
    exit 0
fi

shard=""
out=""
options=()
while [ $# -gt 0 ]; do
    case "$1" in
    --shard) shard=$2; shift 2 ;;
    -o) out=$2; shift 2 ;;
    *) options+=("$1"); shift ;;
    esac
done
if [ -z "$shard" ] || [ -z "$out" ]; then echo "stub: --shard and -o needed" >&2; exit 1; fi
[ "${STUB_FAIL:-}" != "${shard%/*}" ] || { echo "stub: shard $shard fails" >&2; exit 1; }
{
    echo "shard $shard"
    printf 'option %s\n' "${options[@]}"
} >"$out"
