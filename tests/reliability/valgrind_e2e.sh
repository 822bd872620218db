#!/bin/bash
# The end-to-end run under valgrind's memcheck: the real bridge with the virtual hub preloaded plays
# the end-to-end scenario, and oscdump must print the end-to-end test's expected messages. Timing
# starts from the bridge's start line, as valgrind takes seconds to get there. The bridge ends only
# by a signal, which valgrind's exit code does not reflect, so its summary is read instead: no
# error, and no block definitely lost.
# Usage: valgrind_e2e.sh BRIDGE LIBVIRTUALHUB SCENARIO EXPECTED [sanitized]
set -eu
bridge=$1 hub=$2 scenario=$3 expected=$4
if [ "${5:-}" = sanitized ]; then
    echo "valgrind cannot run a bridge built with AddressSanitizer; the normal build runs this test"
    exit 77
fi
port=9876
. "$(dirname "$0")/../bridge_run.sh"
started() { grep -q "Sending OSC messages" "$work/bridge.out"; }
all_arrived() { [ "$(wc -l <"$work/oscdump.txt")" -ge "$(wc -l <"$expected")" ]; }

port_bound && fail "port $port is already in use"
LD_PRELOAD="$hub" VHUB_SCENARIO="$scenario" valgrind --error-exitcode=1 --leak-check=full \
    --log-file="$work/valgrind.log" "$bridge" >"$work/bridge.out" &
bridge_pid=$!
pids="$bridge_pid"
wait_for 60 started || { cat "$work/valgrind.log"; echo "FAIL: the bridge did not start"; exit 1; }

# As in the end-to-end test: the receiver starts 2 s after the bridge and misses the first message.
sleep 2
stdbuf -oL oscdump -L "$port" >"$work/oscdump.txt" &
pids="$pids $!"
# The scenario's first message for oscdump falls due 4 s after the bridge started.
wait_for 1 port_bound || fail "oscdump did not bind port $port within a second"
wait_for 30 all_arrived || true
sleep 0.5

status=0
kill -0 "$bridge_pid" 2>/dev/null || { echo "FAIL: the bridge stopped during the run"; status=1; }
kill "$bridge_pid"
wait "$bridge_pid" || true
cat "$work/valgrind.log"
if ! cut -d' ' -f2- "$work/oscdump.txt" | diff -u "$expected" -; then
    echo "FAIL: oscdump did not receive the expected messages (diff above: - expected, + received)"
    status=1
fi
grep -q "ERROR SUMMARY: 0 errors" "$work/valgrind.log" || { echo "FAIL: valgrind found errors"; status=1; }
if ! grep -q "definitely lost: 0 bytes" "$work/valgrind.log" && ! grep -q "no leaks are possible" "$work/valgrind.log"; then
    echo "FAIL: valgrind found memory definitely lost, or gave no leak summary"
    status=1
fi
exit $status
