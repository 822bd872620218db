#!/bin/bash
# The bridge in bad environments, with the virtual hub preloaded and steady.txt playing:
#   port-taken   another program holds port 9876: the bridge runs on, and that program gets the
#                messages, while a receiver started after it cannot bind the port;
#   no-loopback  a network namespace whose lo is down: the bridge runs on without piling up
#                sockets, and its messages arrive as soon as lo comes up.
# Usage: bad_environment.sh port-taken|no-loopback BRIDGE LIBVIRTUALHUB SCENARIO [PRELOAD_FIRST]
set -eu
case=$1 bridge=$2 hub=$3 scenario=$4 first=${5:-}
port=9876
. "$(dirname "$0")/../bridge_run.sh"
# The receiver's output file appears only once its background shell has started.
received() { [ "$(cat "$1" 2>/dev/null | grep -c /vrenn/A0-light)" -ge 3 ]; }
sockets() { find "/proc/$bridge_pid/fd" -lname 'socket:*' | wc -l; }

start_bridge() {
    LD_PRELOAD="${first:+$first:}$hub" VHUB_SCENARIO="$scenario" "$bridge" >"$work/bridge.out" &
    bridge_pid=$!
    pids="$pids $bridge_pid"
}

bridge_alive() { kill -0 "$bridge_pid" 2>/dev/null || fail "the bridge stopped: $(cat "$work/bridge.out")"; }

port_taken() {
    port_bound && fail "port $port is already in use"
    stdbuf -oL oscdump -L "$port" >"$work/holder.txt" &
    pids="$pids $!"
    wait_for 2 port_bound || fail "the first program did not bind port $port"
    start_bridge
    wait_for 5 received "$work/holder.txt" || fail "the program holding the port got no messages"
    if oscdump -L "$port" >"$work/second.txt" 2>&1; then
        fail "a second receiver could bind port $port"
    fi
    grep "port $port" "$work/second.txt"
    bridge_alive
}

# Runs inside the new network namespace.
no_loopback() {
    ip link show lo | grep -q "state DOWN" || fail "lo is up in the new namespace"
    start_bridge
    sleep 2
    bridge_alive
    [ "$(sockets)" -le 1 ] || fail "the bridge holds $(sockets) sockets with no route to 127.0.0.1"
    ip link set lo up
    stdbuf -oL oscdump -L "$port" >"$work/receiver.txt" &
    pids="$pids $!"
    wait_for 5 received "$work/receiver.txt" || fail "no messages arrived after lo came up"
    bridge_alive
    [ "$(sockets)" -eq 1 ] || fail "the bridge holds $(sockets) sockets"
}

case $case in
port-taken) port_taken ;;
no-loopback)
    if ! unshare -n true 2>/dev/null; then
        echo "this machine does not allow a new network namespace (unshare -n); skipped"
        exit 77
    fi
    # The namespace exists for the command's life: run this script's no-loopback part inside it.
    unshare -n bash "$0" no-loopback-inside "$bridge" "$hub" "$scenario" "$first" ;;
no-loopback-inside)
    no_loopback
    exit 0 ;;
*) fail "unknown case $case" ;;
esac
echo "PASS: $case"
