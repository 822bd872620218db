#!/bin/sh
# Installs what is missing, builds the bridge and its benchmarks in build/bench, and runs the full
# benchmark (about two minutes), then the monitor's (about one more), then recording and replay's
# (about one and a half more); prints the results as Markdown tables.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
# The default build type, as the bridge is built for use; no tests, which the benchmark does not need.
cmake -S . -B build/bench -DBUILD_TESTING=OFF -DVRENNOSC_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build/bench -j "$(nproc)" --target benchmarks monitor_benchmarks record_benchmarks
bench/run.sh build/bench full
bench/monitor.sh build/bench full
bench/record.sh build/bench full
bench/web.sh build/bench
bench/oscquery.sh build/bench
bench/long_addresses.sh build/bench
