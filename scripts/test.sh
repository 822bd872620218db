#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite: once in a normal build, once
# with AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on any failure.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
jobs=$(nproc)

run_suite() {
    dir=$1
    shift
    echo "== $dir"
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_suite build/test
run_suite build/asan -DVRENNOSC_SANITIZE=ON
