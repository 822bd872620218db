#!/bin/bash
# vrennosc-monitor --oscquery behind the bridge and the virtual hub: the namespace over HTTP as a
# client reads it, then the WebSocket through oscquery_client.py (Host and Origin, PATH_ADDED,
# LISTEN and IGNORE against what is forwarded, a stalled client's skips in the header).
# Usage: oscquery_e2e.sh MONITOR BRIDGE LIBVIRTUALHUB TEST_DIR PORT [SANITIZER_RUNTIME]
set -eu
monitor=$1 bridge=$2 hub=$3 dir=$4 port=$5 runtime=${6:-}
. "$dir/../process_helpers.sh"
/usr/bin/python3 -c 'import websocket' 2>/dev/null || { echo "SKIP: the OSCQuery test needs python3-websocket"; exit 77; }
free_port() { /usr/bin/python3 -c "import socket; s = socket.socket(type=socket.$1); s.bind(('127.0.0.1', 0)); print(s.getsockname()[1])"; }
query=$(free_port SOCK_STREAM) sink=$(free_port SOCK_DGRAM) origin=http://localhost:8000

/usr/bin/python3 "$dir/oscquery_client.py" $query $sink $port $origin >"$work/client" 2>&1 & client=$! pids="$pids $!"
wait_for 5 "grep -q ready '$work/client'" || fail "the client did not start: $(cat "$work/client")"
"$monitor" --port $port --plain --forward 127.0.0.1:$sink --oscquery $query --allow-origin $origin \
    >"$work/monitor" 2>&1 & pids="$pids $!"
wait_for 5 "curl -so /dev/null http://127.0.0.1:$query/" || fail "the monitor did not start: $(cat "$work/monitor")"
wait_for 10 "grep -q listening '$work/client' || ! alive $client" || fail "the client: $(cat "$work/client")"

LD_PRELOAD="${runtime:+$runtime:}$hub" VHUB_SCENARIO="$dir/oscquery_scenario.txt" "$bridge" >/dev/null & pids="$pids $!"
wait_for 20 "grep -q flooded '$work/client' || ! alive $client" && alive $client || fail "the client: $(cat "$work/client")"
wait_for 5 "grep -q 'oscquery 127.0.0.1:$query .*  2 clients   skipped [1-9]' '$work/monitor'" ||
    fail "no skips counted for the stalled client: $(tail -n 12 "$work/monitor"); client: $(cat "$work/client")"
wait $client || fail "the client: $(cat "$work/client")"

# The namespace as the bridge made it, read back as JSON.
get() { curl -s --max-time 2 "http://127.0.0.1:$query$1"; }
get / | /usr/bin/python3 -c '
import json, sys
root = json.load(sys.stdin)
light = root["CONTENTS"]["vrenn"]["CONTENTS"]["A0-light"]
assert light["FULL_PATH"] == "/vrenn/A0-light" and light["TYPE"] == "fff" and light["ACCESS"] == 1, light
assert len(light["VALUE"]) == 3 and all(isinstance(v, float) for v in light["VALUE"]), light
assert "injected" not in root["CONTENTS"], "a client sent /injected, and it is in the namespace"
' || fail "the namespace: $(get /)"
[ "$(curl -s -o /dev/null -w '%{http_code}' -H 'Host: attacker.example' http://127.0.0.1:$query/)" = 403 ] ||
    fail "a foreign Host was answered"
