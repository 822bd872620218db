#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite: once in a normal build, once
# with AddressSanitizer and UndefinedBehaviorSanitizer; then runs each fuzz target for a minute in
# a clang build. Ends with one line that sums the three runs; exits non-zero on any failure.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
jobs=$(nproc)

# Configures with the given options (given each time, so that none lingers in the cache from a
# run by hand), builds the targets, and runs the tests.
run_suite() {
    dir=$1 targets=$2 tests=$3
    shift 3
    echo "== $dir"
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j "$jobs" $targets
    ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs" $tests -O "$dir/ctest.log"
}

run_suite build/test "" ""
run_suite build/asan "" "" -DVRENNOSC_SANITIZE=ON
# libFuzzer comes with clang, so the fuzz targets get a clang build of their own.
run_suite build/fuzz "--target fuzz_targets" "-L fuzz" -DCMAKE_CXX_COMPILER=clang++ \
    -DVRENNOSC_FUZZ=ON -DVRENNOSC_FUZZ_SECONDS=60
awk '/tests passed, .* tests failed out of/ { total += $NF; failed += $(NF - 5) } /\*\*\*Skipped/ { skipped++ }
     END { print "vrennosc: " total - failed - skipped " passed, " failed " failed, " skipped + 0 " skipped" }' \
    build/test/ctest.log build/asan/ctest.log build/fuzz/ctest.log
