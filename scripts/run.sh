#!/bin/sh
# Installs what is missing, builds the bridge and its tools (vrennosc-monitor, vrennosc-play) in
# build/bridge, and runs the bridge in the foreground (Ctrl-C stops it).
# Without the hub it says so first: the bridge then waits for it without a word.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake -S . -B build/bridge -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bridge -j "$(nproc)"

# The hub is the hidraw node whose HID device's name starts as src/hub_ids.h writes it.
hub_plugged_in() {
    prefix=$(sed -n 's/^constexpr char hubDeviceNamePrefix\[\] = "\(.*\)";$/\1/p' src/hub_ids.h)
    for link in /sys/class/hidraw/*/device; do
        case $(basename "$(readlink "$link")") in "$prefix"*) return 0 ;; esac
    done
    return 1
}
hub_plugged_in || echo "No hub is plugged in: the bridge will wait for it. scripts/demo.sh shows the bridge at work without one." >&2
exec build/bridge/vrennosc
