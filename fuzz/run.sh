#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each (default 60), one after the other, on a copy of its
# committed corpus with the regression inputs added. Stops at the first finding: the input
# that failed is left in build-fuzz/findings/<target>/ and the status is 1.
#
#   fuzz/run.sh            # about a minute per target, as CI does
#   fuzz/run.sh 3600       # an hour per target
#   fuzz/run.sh 180 referee_tally_fuzz   # only the targets named
#   fuzz/run.sh --list     # the targets, one a line
#
# Builds build-fuzz (clang, -DFUZZ=ON) first when it is missing. Extra libFuzzer options can
# be given in FUZZ_OPTIONS, e.g. FUZZ_OPTIONS=-jobs=2.
set -euo pipefail
cd "$(dirname "$0")/.."
targets=(bitrow_record_fuzz byteboard_input_fuzz referee_answer_fuzz referee_record_fuzz
         referee_config_fuzz referee_tally_fuzz referee_tournament_fuzz)
if [ "${1:-}" = --list ]; then
    printf '%s\n' "${targets[@]}"
    exit 0
fi
seconds=${1:-60}
if [ $# -gt 1 ]; then
    for t in "${@:2}"; do
        [[ " ${targets[*]} " == *" $t "* ]] || { echo "$0: no target $t" >&2; exit 2; }
    done
    targets=("${@:2}")
fi

if [ ! -x build-fuzz/fuzz/${targets[-1]} ]; then
    CC=clang CXX=clang++ cmake -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFUZZ=ON -DBUILD_TESTING=OFF
fi
cmake --build build-fuzz -j2 --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for t in "${targets[@]}"; do
    work=build-fuzz/work/$t
    findings=build-fuzz/findings/$t
    rm -rf "$work"
    mkdir -p "$work" "$findings"
    cp fuzz/corpus/$t/* "$work"/
    cp fuzz/regressions/$t/* "$work"/ 2>/dev/null || true
    # The bit-row record needs room for records longer than the history (about 9 KB).
    maxlen=4096
    [ "$t" = bitrow_record_fuzz ] && maxlen=12000
    # Several record files in one input.
    [ "$t" = referee_tally_fuzz ] && maxlen=16000
    echo "== $t: $seconds s"
    start=$(date +%s)
    if ! build-fuzz/fuzz/$t -max_total_time="$seconds" -max_len=$maxlen -timeout=10 \
            -rss_limit_mb=2048 -artifact_prefix="$findings/" -print_final_stats=1 \
            ${FUZZ_OPTIONS:-} "$work" 2>"build-fuzz/$t.log"; then
        tail -n 60 "build-fuzz/$t.log"
        echo "== $t: FINDING, see $findings/ and build-fuzz/$t.log"
        status=1
        break
    fi
    grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" "build-fuzz/$t.log" || true
    echo "== $t: no finding in $(( $(date +%s) - start )) s"
done
exit $status
