#!/bin/bash
# The bridge with the virtual hub, heard through vrennosc-monitor --plain, which forwards to a raw
# receiver that also sends it a well-formed message, a bundle and two broken datagrams. The last
# table must hold the expected rows and count the three malformed; the receiver must get every
# datagram, its own byte for byte. A second monitor on the same port must fail with exit 1.
# Usage: monitor_e2e.sh MONITOR BRIDGE LIBVIRTUALHUB SCENARIO EXPECTED_ROWS [SANITIZER_RUNTIME]
set -eu
monitor=$1 bridge=$2 hub=$3 scenario=$4 expected=$5 runtime=${6:-}
port=29877
. "$(dirname "$0")/../bridge_run.sh"
port_bound && fail "port $port is already in use"

python3 "$(dirname "$0")/raw_peer.py" $port 2f706565722f7465787400002c73000068690000 \
    2362756e646c65000000000000000001 78797a 2f6100002c660000 >"$work/peer" &
pids="$pids $!"
peer=$!
wait_for 5 test -s "$work/peer" || fail "the raw receiver did not start"
"$monitor" --port $port --forward "127.0.0.1:$(head -n1 "$work/peer")" --plain --seconds 5 >"$work/tables" &
monitor_pid=$!
pids="$pids $monitor_pid"
wait_for 5 port_bound || fail "the monitor did not bind port $port"
LD_PRELOAD="${runtime:+$runtime:}$hub" VHUB_SCENARIO="$scenario" "$bridge" >/dev/null &
pids="$pids $!"

"$monitor" --port $port 2>"$work/second" && fail "a second monitor on port $port did not fail"
[ $? -eq 1 ] && grep -q "ss -ulpn 'sport = :$port'" "$work/second" || fail "second monitor: $(cat "$work/second")"

wait "$monitor_pid" || fail "the monitor failed"
wait "$peer" || fail "the raw receiver failed"
last_table=$(awk '/^port /{table = ""} {table = table $0 "\n"} END {printf "%s", table}' "$work/tables")
echo "$last_table"
counts=$(echo "$last_table" | sed -n 2p)
rows=$(echo "$last_table" | sed '1,/^address/d' | awk '{$2 = ""; sub(/  /, " "); print}')
diff -u "$expected" <(echo "$rows") || fail "the last table's rows differ (- expected, + shown)"
read -r _ messages _ _ malformed _ <<<"$counts"
[ "$malformed" = 3 ] || fail "malformed: $malformed, not 3"
tail -n1 "$work/peer"
[ "$(tail -n1 "$work/peer")" = "arrived $((messages + malformed)) ours intact" ] || fail "forwarding lost or changed datagrams"
