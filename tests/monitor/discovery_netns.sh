#!/bin/bash
# The discovery test inside its network namespace (see discovery_e2e.sh): an interface for mDNS,
# a private system bus, avahi-daemon on it, then the bridge, the monitor and the two clients.
# Usage: discovery_netns.sh -m|"" NODE_MODULES MONITOR BRIDGE LIBVIRTUALHUB TEST_DIR PORT [SANITIZER_RUNTIME]
#   (-m: in a mount namespace of its own too)
set -eu
apart=$1 modules=$2 monitor=$3 bridge=$4 hub=$5 dir=$6 port=$7 runtime=${8:-}
. "$dir/../process_helpers.sh"
if [ -n "$apart" ]; then
    mount --make-rprivate / && mkdir -p /run/avahi-daemon && mount -t tmpfs tmpfs /run/avahi-daemon
fi
ip link set lo up
# A pair, as the kernel need not have dummy interfaces; its other end only keeps it up.
ip link add mdns0 type veth peer name mdns1 && ip link set mdns1 up && ip link set mdns0 up
ip addr add 10.87.0.1/24 dev mdns0
ip route add 224.0.0.0/4 dev mdns0

cat >"$work/bus.conf" <<EOF_BUS
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/> <allow own="*"/> <allow send_destination="*"/> <allow receive_sender="*"/>
  </policy>
</busconfig>
EOF_BUS
dbus-daemon --config-file="$work/bus.conf" --nofork >"$work/bus.log" 2>&1 & pids="$pids $!"
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/bus
wait_for 5 "[ -S '$work/bus' ]" || fail "dbus-daemon did not start: $(cat "$work/bus.log")"
cat >"$work/avahi.conf" <<EOF_AVAHI
[server]
host-name=vrennosc-test
use-ipv6=no
allow-interfaces=mdns0
[publish]
publish-workstation=no
publish-hinfo=no
EOF_AVAHI
avahi-daemon -f "$work/avahi.conf" --no-drop-root --no-chroot --no-rlimits >"$work/avahi.log" 2>&1 & pids="$pids $!"
wait_for 10 "grep -q 'Server startup complete' '$work/avahi.log'" || fail "avahi-daemon did not start: $(cat "$work/avahi.log")"

LD_PRELOAD="${runtime:+$runtime:}$hub" VHUB_SCENARIO="$dir/oscquery_scenario.txt" "$bridge" >/dev/null & pids="$pids $!"
query=$(/usr/bin/python3 -c "import socket; s = socket.socket(); s.bind(('127.0.0.1', 0)); print(s.getsockname()[1])")
"$monitor" --port $port --plain --oscquery 0.0.0.0:$query >"$work/monitor" 2>&1 & pids="$pids $!"
wait_for 10 "grep -q 'announced as \"vrennosc-monitor on ' '$work/monitor'" ||
    fail "the monitor was not announced: $(tail -n 8 "$work/monitor"); avahi: $(tail -n 5 "$work/avahi.log")"
wait_for 10 "grep -q '^/vrenn/D2-button' '$work/monitor'" || fail "no message reached the monitor"

timeout 10 avahi-browse -rpt _oscjson._tcp >"$work/browse" 2>&1 || true
# avahi-browse writes a space as \032.
grep -q "^=;mdns0;IPv4;vrennosc-monitor\\\\032on\\\\032.*;_oscjson._tcp;local;vrennosc-test.local;10.87.0.1;$query;" "$work/browse" ||
    fail "avahi-browse did not find the service: $(cat "$work/browse")"

# An upper bound for a loaded machine: it ends as soon as the monitor is found and read.
timeout 60 node "$dir/discover.js" "$modules" >"$work/found" 2>&1 || fail "oscquery found nothing: $(cat "$work/found")"
/usr/bin/python3 - "$work/found" <<'EOF_CHECK' || fail "oscquery read: $(cat "$work/found")"
import json, sys
found = json.loads(open(sys.argv[1]).read().strip().splitlines()[-1])
light, button = found["read"]["/vrenn/A0-light"], found["read"]["/vrenn/D2-button"]
assert [a["type"] for a in light] == ["f", "f", "f"], light
assert [(a["min"], a["max"]) for a in light] == [(0.1, 0.5), (0.2, 0.25), (0.3, 0.75)], light
assert all(a["value"] in (a["min"], a["max"]) for a in light), light
assert [(a["type"], a["min"], a["max"]) for a in button] == [("f", 0, 1)], button
EOF_CHECK
