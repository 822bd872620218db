#!/bin/sh
# Shows the bridge at work without the hub: vrennosc-monitor (in a terminal) or oscdump listens on
# port 9876, and the bridge reads the virtual hub playing its default scenario. Shows the messages
# for a few seconds, then cleans up.
# Usage: scripts/demo.sh [SECONDS]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-10}
port=9876
scripts/install-deps.sh demo
cmake -S . -B build/demo -DBUILD_TESTING=OFF >/dev/null
cmake --build build/demo --target vrennosc virtualhub vrennosc-monitor -j "$(nproc)" >/dev/null

receiver=""
bridge=""
timer=""
cleanup() {
    for pid in $timer $bridge $receiver; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP PIPE

if [ -t 1 ]; then
    # The live monitor; a background job's input would be /dev/null, so it reads the terminal.
    build/demo/tools/monitor/vrennosc-monitor --port "$port" --seconds "$seconds" </dev/tty &
else
    oscdump -L "$port" &
fi
receiver=$!
sleep 0.3
# The receiver exits at once when it cannot have the port.
if ! kill -0 "$receiver" 2>/dev/null; then
    echo "Port $port is taken: stop the program that listens on it and try again." >&2
    exit 1
fi

VHUB_SCENARIO=tools/virtualhub/scenarios/default.txt \
    LD_PRELOAD="$PWD/build/demo/tools/virtualhub/libvirtualhub.so" build/demo/vrennosc &
bridge=$!
# Waiting on a background sleep lets a signal end the demo at once.
sleep "$seconds" &
timer=$!
[ -t 1 ] && wait "$receiver" || wait $timer
echo "Demo over."
