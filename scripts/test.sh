#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite: once in a normal build, once
# with AddressSanitizer and UndefinedBehaviorSanitizer; then runs each fuzz target for a minute.
# Exits non-zero on any failure.
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

# libFuzzer comes with clang, so the fuzz targets get a clang build of their own; only they are built.
echo "== build/fuzz"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DVRENNOSC_FUZZ=ON >/dev/null
cmake --build build/fuzz -j "$jobs" --target device_fuzzer encoder_fuzzer monitor_fuzzer
ctest --test-dir build/fuzz -L fuzz --no-tests=error --output-on-failure -j "$jobs"
