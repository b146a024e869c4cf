#!/bin/sh
# A stand-in player that behaves in one chosen way, for the referee's tests.
# Usage: standin.sh MODE [ARG]
mode=$1
case "$mode" in
say) cat >/dev/null; printf '%s\n' "$2" ;;                 # answers ARG
nothing) cat >/dev/null ;;                                  # exits 0, answers nothing
noread) printf 'L1\n' ;;                                    # answers without reading
garbage) cat >/dev/null; printf 'hello world\n' ;;
flood) cat >/dev/null; head -c 300000 /dev/zero | tr '\0' 'L' ;;
endless) cat >/dev/null; yes L1 ;;                          # writes without end
twolines) cat >/dev/null; printf 'L1\nL2\n' ;;
crlf) cat >/dev/null; printf 'L1\r\n' ;;
nonewline) cat >/dev/null; printf 'L1' ;;
late) cat >/dev/null; sleep 5; echo L1 ;;
hang) exec sleep 30 ;;                                      # never answers
latechild)                                                  # a child of its own, then too late
    sleep 30 &
    echo $! >"$2"
    wait ;;
answerlinger) cat >/dev/null; echo L1; exec sleep 30 ;;     # answers, then does not exit
crash) cat >/dev/null; kill -SEGV $$ ;;
exit3) cat >/dev/null; echo "cannot think" >&2; exit 3 ;;
answercrash) cat >/dev/null; echo L1; kill -SEGV $$ ;;
partialcrash) cat >/dev/null; printf 'L'; kill -SEGV $$ ;;
noisy) cat >/dev/null; head -c 200000 /dev/zero | tr '\0' 'e' >&2; echo L1 ;;
echo)                                                       # tells what it was given
    { echo "args: $*"; echo "dir: $(pwd)"; cat; } >&2
    echo L1 ;;
*) echo "unknown mode $mode" >&2; exit 2 ;;
esac
