#!/bin/bash
# Pages whose computer vanishes without closing (a phone that leaves the network): their streams
# must not hold the monitor's slots for TCP's quarter of an hour. In a network namespace of its own,
# 24 streams (all one address may hold) are opened, then lo goes down, as the network does under
# them; the monitor must drop them within seconds, and once lo is back a new page gets its stream.
# Usage: half_open.sh MONITOR TEST_DIR PORT [SANITIZER_RUNTIME]
set -eu
monitor=$1 dir=$2 port=$3 runtime=${4:-}
if [ "${5:-}" != in-namespace ]; then
    unshare="unshare -rn" && [ "$(id -u)" != 0 ] || unshare="unshare -n"
    error=$($unshare true 2>&1) || { echo "SKIP: this system allows no network namespace ($unshare): $error" && exit 77; }
    exec $unshare bash "$0" "$monitor" "$dir" "$port" "$runtime" in-namespace
fi
. "$dir/../process_helpers.sh"
ip link set lo up
web=8080
LD_PRELOAD=$runtime "$monitor" --port $port --plain --web 127.0.0.1:$web >/dev/null 2>"$work/monitor" & pids="$pids $!"
wait_for 10 "curl -so /dev/null http://127.0.0.1:$web/" || fail "the monitor did not start: $(cat "$work/monitor")"
streams() { awk -v port=$(printf %04X $web) '$2 ~ ":" port "$" && $4 == "01"' /proc/net/tcp | wc -l; }
python3 -c 'import socket, sys, time
held = []
for _ in range(24):
    s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
    s.sendall(b"GET /stream HTTP/1.1\r\nHost: 127.0.0.1:" + sys.argv[1].encode() + b"\r\n\r\n")
    while b"\"full\":true" not in s.recv(65536):
        pass
    held.append(s)
print("held", flush=True)
time.sleep(3600)' $web >"$work/held" & pids="$pids $!"
wait_for 20 "grep -q held '$work/held'" || fail "the 24 streams were not opened"
ip link set lo down
wait_for 30 '[ "$(streams)" -eq 0 ]' || fail "$(streams) streams still held 30 s after their network went"
ip link set lo up
# Each stream's thread notices its end at its next write, within a second.
wait_for 10 "curl -s -N --max-time 3 http://127.0.0.1:$web/stream | grep -q '\"full\":true'" || fail "no stream for a new page"
echo "PASS: the vanished pages' streams were dropped"
