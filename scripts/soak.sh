#!/bin/sh
# The soak test with CYCLES unplug/replug cycles (CI plays 10000) in build/soak: 200000 by default,
# about seven minutes. Usage: scripts/soak.sh [CYCLES]
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
cmake -S . -B build/soak >/dev/null && cmake --build build/soak -j "$(nproc)" --target vrennosc_testport virtualhub
sed "s/^repeat .*/repeat ${1:-200000}/" tests/bridge/reliability/soak.txt >build/soak/soak.txt
port=$(sed -n 's/^VRENNOSC_PROCESS_TEST_PORT:STRING=//p' build/soak/CMakeCache.txt)
exec bash tests/bridge_run.sh soak "$PWD/build/soak/tests/vrennosc_testport" "$port" \
    "$PWD/build/soak/tools/virtualhub/libvirtualhub.so" "$PWD/build/soak/soak.txt" tests/bridge/reliability/soak-cycle.txt
