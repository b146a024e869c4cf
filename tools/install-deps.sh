#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running the tools need.
# Safe to run again: only missing packages are installed. Uses sudo when not root.
set -euo pipefail

packages=(
    # build and tests
    cmake make g++ clang clang-format libgtest-dev libgmock-dev python3
    # sanitizer and fuzzing runtime for the clang build in CI
    libclang-rt-14-dev
    # instruction counts of the bench
    valgrind
    # referee and analyze: option parsing and JSON
    libcli11-dev nlohmann-json3-dev
    # spreading a match over many machines
    parallel slurm-wlm munge
    # testing the match report in a real browser
    chromium
)

missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
