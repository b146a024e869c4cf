#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running the tools need, and only
# those (docs/development.md says what uses each). Safe to run again: only missing packages
# are installed. Uses sudo when not root.
set -euo pipefail

packages=(
    # build and tests
    cmake make g++ libgtest-dev python3 git
    # the tools' command lines, and the data of the match report page
    libcli11-dev nlohmann-json3-dev
    # the manual pages, made from the programs' --help at build time, and reading them
    help2man man-db
    # CI: formatting, the clang sanitizer build and fuzzing
    clang clang-format clang-tidy libclang-rt-14-dev
    # measuring: instruction counts of the bench, peak memory
    valgrind time
    # spreading a match over many machines: the batch recipes and their tests
    parallel slurm-wlm munge
    # testing the match report page in a real browser
    chromium
    # the referee's sandbox for untrusted players (--sandbox) and its tests
    bubblewrap
)

missing=()
for p in "${packages[@]}"; do
    # Installed, not merely known (a removed package keeps a status entry).
    [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] ||
        missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "install-deps: not root and no sudo; as root run: apt-get install ${missing[*]}" >&2
        exit 1
    fi
    sudo=(sudo)
fi
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
