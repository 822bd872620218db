#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite: once in a normal build, once
# with AddressSanitizer and UndefinedBehaviorSanitizer; then runs each fuzz target for a minute in
# a clang build; then builds for arm64 and armhf, runs the suite there under qemu-user and makes
# their packages (scripts/cross.sh). Every stage runs even after one fails; each builds with
# warnings as errors. Ends with one line that sums the five runs; exits non-zero on any failure.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
jobs=$(nproc)
broken=""

# Configures with the given options (given each time, so that none lingers in the cache from a
# run by hand), builds the targets, and runs the tests. A stage that cannot build is named in the
# summary, as it has no test results to count.
run_suite() {
    dir=$1 targets=$2 tests=$3
    shift 3
    echo "== $dir"
    rm -f "$dir/ctest.log"
    if cmake -S . -B "$dir" -DVRENNOSC_WERROR=ON "$@" >/dev/null && cmake --build "$dir" -j "$jobs" $targets; then
        ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs" $tests -O "$dir/ctest.log" || true
        grep -q 'tests failed out of' "$dir/ctest.log" 2>/dev/null || broken="$broken, $dir ran no tests"
    else
        broken="$broken, $dir did not build"
    fi
}

run_suite build/test "" "" -DVRENNOSC_BUILD_BENCHMARKS=ON
run_suite build/asan "" "" -DVRENNOSC_SANITIZE=ON
# libFuzzer comes with clang, so the fuzz targets get a clang build of their own.
run_suite build/fuzz "--target fuzz_targets" "-L fuzz" -DCMAKE_CXX_COMPILER=clang++ \
    -DVRENNOSC_FUZZ=ON -DVRENNOSC_FUZZ_SECONDS=60
for arch in arm64 armhf; do
    scripts/cross.sh $arch || true
    grep -q 'tests failed out of' build/$arch/ctest.log 2>/dev/null || broken="$broken, build/$arch ran no tests"
    for name in vrennosc vrennosc-tools; do
        [ -f build/$arch/${name}_*_$arch.deb ] || broken="$broken, build/$arch made no $name package"
    done
done
# Why each skipped test skipped, in its own words.
for dir in build/test build/asan build/fuzz build/arm64/build build/armhf/build; do
    log=$dir/Testing/Temporary/LastTest.log
    [ ! -f "$log" ] || grep -h '^SKIP: ' "$log" | sed "s|^|$dir: |" || true
done
set -- /dev/null
for log in build/test/ctest.log build/asan/ctest.log build/fuzz/ctest.log build/arm64/ctest.log build/armhf/ctest.log; do
    [ ! -f "$log" ] || set -- "$@" "$log"
done
awk -v broken="$broken" '/tests passed, .* tests failed out of/ { total += $NF; failed += $(NF - 5) } /\*\*\*Skipped/ { skipped++ }
     END { print "vrennosc: " total - failed - skipped " passed, " failed " failed, " skipped + 0 " skipped" broken
           exit (failed > 0 || broken != "") }' "$@"
