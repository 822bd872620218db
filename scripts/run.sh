#!/bin/sh
# Installs what is missing, builds the bridge and runs it in the foreground (Ctrl-C stops it).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake -S . -B build/bridge -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bridge --target vrennosc -j "$(nproc)"
exec build/bridge/vrennosc
