#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the installed tree elsewhere and runs it
# from there: the programs' layout, their manual pages, a turn handed over to
# support/shover16, the analyser's version and its short bench (found beside the moved
# programs, with its signature).
# Usage: install_test.sh BUILD_DIR SIGNATURE_FILE MAN_PAGES (1: the build made them)
set -euo pipefail
build=$1
signature=$2
man_pages=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/first" >/dev/null
mv "$tmp/first" "$tmp/moved"
prefix=$tmp/moved
for f in bin/shover8 bin/pusher6 bin/pusher7 bin/referee bin/analyze bin/support/shover16 \
    bin/support/shover20 share/pushgame/bench/suite.txt; do
    [ -e "$prefix/$f" ] || fail "missing $f"
done
[ ! -e "$prefix/shover8" ] || fail "programs at the prefix's root"

# One manual page per program, made from its own --help and --version, that man can read.
if [ "$man_pages" = 1 ]; then
    for p in shover8 shover16 shover20 pusher6 pusher7 referee analyze; do
        [ -s "$prefix/share/man/man1/$p.1" ] || fail "missing share/man/man1/$p.1"
    done
    page=$(MANWIDTH=80 man -l "$prefix/share/man/man1/pusher6.1" 2>/dev/null)
    named=$("$prefix/bin/pusher6" --version | cut -d' ' -f1-2)  # "pusher6 1.0.0"
    for want in "pusher6 [SECONDS] < MOVES" "Exit status:" "$named"; do
        case $page in *"$want"*) ;; *) fail "man -l pusher6.1 does not show '$want'" ;; esac
    done
    MANPATH="$prefix/share/man" man -w referee >/dev/null || fail "man finds no referee page"
else
    echo "install test: help2man was missing at configure time, no manual pages to check" >&2
fi

cd "$prefix/bin"
# N = 9: X has eight pieces in row 1 and is to move, so the wider build answers at once with
# a move that completes the row (L1, R1 or T9); shover8 can only answer it by handing over.
record=$(printf '9\n'; for i in 1 2 3 4 5 6 7 8; do printf 'L1\nL9\n'; done)
answer=$(printf '%s\n' "$record" | ./shover8)
case $answer in
    L1 | R1 | T9) ;;
    *) fail "N = 9 turn answered '$answer'" ;;
esac
# Without its support folder the front program cannot play N = 9.
mv support support.off
if printf '%s\n' "$record" | ./shover8 2>/dev/null; then fail "played N = 9 without support/"; fi
mv support.off support

version=$(./analyze --version)
[[ $version =~ ^analyze\ [0-9]+\.[0-9]+\.[0-9]+\ \(commit\ [^\ ]+\)$ ]] ||
    fail "analyze --version gave '$version'"

want=$(awk '$1 == "short" { print $2 }' "$signature")
got=$(./analyze bench --short | awk '/^OVERALL:/ { print $2 }')
[ "$got" = "$want" ] || fail "installed bench --short gave $got nodes, not $want"
echo "installed, moved and ran: N = 9 answer $answer, bench $got nodes, version $version"
