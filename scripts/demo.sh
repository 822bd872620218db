#!/bin/sh
# Shows the bridge at work without the hub: vrennosc-monitor (in a terminal) or oscdump listens on
# port 9876, and the bridge reads the virtual hub playing its default scenario. Shows the messages
# for a few seconds (or until Ctrl-C), then cleans up.
# Usage: scripts/demo.sh [SECONDS]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-10}
port=9876

# The bridge sends to "localhost" over the loopback interface: without either, the demo stays silent.
check_loopback() {
    if ! ip -o link show lo | grep -q '[<,]UP[,>]'; then
        echo "The loopback interface lo is down, so the messages cannot reach the receiver:" \
            "bring it up with \"sudo ip link set lo up\"." >&2
        exit 1
    fi
    if [ "$(resolve_localhost)" != 127.0.0.1 ]; then
        echo "\"localhost\" does not resolve to 127.0.0.1, so the messages cannot reach the receiver:" \
            "add the line \"127.0.0.1 localhost\" to /etc/hosts." >&2
        exit 1
    fi
}

# The address the bridge's own lookup gives. Not `getent ahostsv4`: it asks for AI_ADDRCONFIG, and
# finds nothing on a machine whose only IPv4 address is the loopback's (offline).
resolve_localhost() {
    perl -MSocket=:addrinfo,AF_INET,SOCK_DGRAM,inet_ntoa,unpack_sockaddr_in -e \
        'my ($err, @found) = getaddrinfo("localhost", "", { family => AF_INET, socktype => SOCK_DGRAM });
         print inet_ntoa((unpack_sockaddr_in($found[0]{addr}))[1]) unless $err;'
}

# After the timer or Ctrl-C: stops everything, says so when nothing arrived, and ends the demo.
finish() {
    cleanup
    if [ ! -t 1 ] && [ ! -s "$log" ]; then
        echo "No message arrived in the demo: look above for what the bridge or the virtual hub" \
            "printed, and see \"No messages arrive\" in README.md." >&2
    fi
    echo "Demo over."
}

scripts/install-deps.sh demo
check_loopback
cmake -S . -B build/demo -DBUILD_TESTING=OFF >/dev/null
cmake --build build/demo --target vrennosc virtualhub vrennosc-monitor -j "$(nproc)" >/dev/null

receiver=""
viewer=""
bridge=""
timer=""
log=$(mktemp)
cleanup() {
    for pid in $timer $bridge $receiver $viewer; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap 'cleanup; rm -f "$log"' EXIT
trap 'exit 130' INT TERM HUP PIPE

if [ -t 1 ]; then
    # The live monitor; a background job's input would be /dev/null, so it reads the terminal.
    build/demo/tools/monitor/vrennosc-monitor --port "$port" --seconds "$seconds" </dev/tty &
    receiver=$!
else
    # oscdump writes to a file, so that the end can tell whether anything arrived; tail shows it.
    oscdump -L "$port" >"$log" &
    receiver=$!
    tail -f -n +1 "$log" &
    viewer=$!
fi
sleep 0.3
# The receiver exits at once when it cannot have the port.
if ! kill -0 "$receiver" 2>/dev/null; then
    echo "Port $port is taken: stop the program that listens on it and try again." >&2
    exit 1
fi

# A relative path: LD_PRELOAD splits at spaces, and the checkout's own path may hold one.
VHUB_SCENARIO=tools/virtualhub/scenarios/default.txt \
    LD_PRELOAD=./build/demo/tools/virtualhub/libvirtualhub.so build/demo/vrennosc &
bridge=$!
# Waiting on a background sleep lets Ctrl-C end the demo at once, the same way as the timer.
sleep "$seconds" &
timer=$!
trap 'kill "$timer" 2>/dev/null || true' INT
# The monitor ends by itself after the same time, or on q or Ctrl-C.
if [ -t 1 ]; then wait "$receiver" || true; else wait "$timer" || true; fi
finish
