#!/bin/sh
# The long soak test: the real bridge with the virtual hub preloaded plays CYCLES unplug/replug
# cycles (200000 by default, about ten minutes) and random reports, checked message by message,
# with its sockets and resident memory watched. CI runs the same test with 10000 cycles.
# Usage: scripts/soak.sh [CYCLES] [SEED]
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
cycles=${1:-200000}
# A new seed each run explores other scripts; the test prints it so that a failure can be replayed.
seed=${2:-$(date +%s)}
cmake -S . -B build/soak -DVRENNOSC_SOAK_CYCLES="$cycles" -DVRENNOSC_SOAK_SEED="$seed" >/dev/null
cmake --build build/soak -j "$(nproc)" --target soak vrennosc_soak_port virtualhub
ctest --test-dir build/soak -R '^reliability\.soak$' --output-on-failure -V
