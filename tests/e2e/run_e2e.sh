#!/bin/bash
# The unchanged bridge with the virtual hub preloaded in the USB device's place, heard by two
# decoders written elsewhere: liblo's oscdump, started two seconds late, and tshark's OSC dissector
# on the loopback interface. Both must print exactly the expected messages, in order.
# Usage: run_e2e.sh BRIDGE LIBVIRTUALHUB SCENARIO EXPECTED [SANITIZER_RUNTIME]
set -eu
bridge=$1 hub=$2 scenario=$3 expected=$4 runtime=${5:-}
port=9876
. "$(dirname "$0")/../bridge_run.sh"
capturing() { grep -q "Capturing on" "$work/tshark.err"; }
bridge_gone() { ! kill -0 "$bridge_pid" 2>/dev/null; }
all_arrived() { [ "$(wc -l <"$work/oscdump.txt")" -ge "$(wc -l <"$expected")" ] || bridge_gone; }

# The dissector finds OSC by its heuristic; a datagram it rejects shows up as mere data.
decode() { tshark -r "$work/wire.pcapng" --enable-heuristic osc_udp "$@" 2>/dev/null; }

# tshark prints floats its own way; reformat them as oscdump does.
tshark_messages() {
    decode -T fields -E separator=' ' -E occurrence=a \
        -E aggregator=' ' -e osc.message.header.path -e osc.message.header.format -e osc.message.float |
        awk '{ sub(/^,/, "", $2); line = $1 " " $2; for (i = 3; i <= NF; i++) line = line sprintf(" %f", $i); print line }'
}

port_bound && fail "port $port is already in use"

# The dissector hears every datagram, also those sent before oscdump listens. Capturing needs
# root (or the wireshark group); without it this decoder is left out and the run says so.
with_tshark=yes
tshark -i lo -f "udp port $port" -w "$work/wire.pcapng" 2>"$work/tshark.err" &
tshark_pid=$!
pids="$pids $tshark_pid"
if ! wait_for 30 capturing; then
    echo "tshark cannot capture on lo, checking with oscdump only:" >&2
    cat "$work/tshark.err" >&2
    with_tshark=no
fi

# A sanitized bridge needs its sanitizer runtime loaded before anything else.
LD_PRELOAD="${runtime:+$runtime:}$hub" VHUB_SCENARIO="$scenario" "$bridge" >"$work/bridge.out" &
bridge_pid=$!
pids="$pids $bridge_pid"

sleep 2
stdbuf -oL oscdump -L "$port" >"$work/oscdump.txt" &
pids="$pids $!"
# The scenario's first message for oscdump falls due 4 s after the bridge started.
wait_for 1 port_bound || fail "oscdump did not bind port $port within a second"

# Late or surplus messages would show up in the half second after the last expected one.
wait_for 15 all_arrived || true
sleep 0.5
bridge_gone && fail "the bridge stopped during the run"

status=0
echo "oscdump: $(wc -l <"$work/oscdump.txt") messages"
if ! cut -d' ' -f2- "$work/oscdump.txt" | diff -u "$expected" - ; then
    echo "FAIL: oscdump did not receive the expected messages (diff above: - expected, + received)" >&2
    status=1
fi

if [ "$with_tshark" = yes ]; then
    kill -INT "$tshark_pid"
    wait "$tshark_pid" || true
    # The first message went out before anyone listened: the wire holds it, oscdump does not.
    lost=$(tshark_messages | head -n 1)
    [ "$lost" = "/vrenn/A0-light fff 0.500000 0.250000 0.750000" ] ||
        { echo "FAIL: tshark's first message is '$lost'" >&2; status=1; }
    if ! tshark_messages | tail -n +2 | diff -u "$expected" - ; then
        echo "FAIL: tshark decoded other messages (diff above)" >&2
        status=1
    fi
    datagrams=$(decode | wc -l)
    osc=$(decode -Y 'osc && !_ws.malformed && !_ws.expert' | wc -l)
    echo "tshark: $osc sound OSC messages in $datagrams datagrams"
    [ "$osc" -eq "$datagrams" ] || { echo "FAIL: tshark finds malformed datagrams" >&2; status=1; }
fi
exit $status
