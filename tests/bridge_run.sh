#!/bin/bash
# The unchanged bridge, built for a test port, run as a process with the virtual hub preloaded in
# the hub's place and playing SCENARIO; liblo's oscdump receives. One mode per kind of check:
#   e2e          oscdump starts 2 s late and must print EXPECTED exactly, its first message too;
#                tshark, where it may capture, decodes the same messages and no malformed datagram
#   valgrind     e2e with the bridge under memcheck: no error and nothing definitely lost
#   soak         oscdump holds the port before the bridge starts, as a user's receiver may; the
#                scenario's repeat plays N unplug/replug cycles and EXPECTED lists one cycle's
#                messages, which must arrive N times in order; the bridge holds one socket at most
#                and its resident memory stays flat (judged without a sanitizer runtime only)
#   no-loopback  in a network namespace whose lo is down, the bridge runs on with one socket at
#                most, and its messages arrive once lo is up
# Every process started here is ended by its pid on exit, whatever the outcome.
# Usage: bridge_run.sh MODE BRIDGE PORT LIBVIRTUALHUB SCENARIO EXPECTED [SANITIZER_RUNTIME]
set -eu
mode=$1 bridge=$2 port=$3 hub=$4 scenario=$5 expected=$6 runtime=${7:-}
work=$(mktemp -d) pids="" wrapper="" tshark_pid=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
fail() { echo "FAIL: $*" >&2 && exit 1; }
# A missing program or privilege skips the test, but fails it under CI.
skip() {
    [ "${CI:-}" != true ] || fail "$*"
    echo "SKIP: $*" && exit 77
}
alive() { kill -0 "$1" 2>/dev/null; }
# Polls a condition every 50 ms for at most $1 seconds.
wait_for() {
    local tries=$(($1 * 20))
    shift
    until "$@"; do
        tries=$((tries - 1)) && [ "$tries" -gt 0 ] || return 1
        sleep 0.05
    done
}
port_bound() { grep -qi ":$(printf %04X "$port") [0-9A-F]*:0000 07" /proc/net/udp /proc/net/udp6 2>/dev/null; }
received() { wc -l <"$work/received.txt"; }
sockets() { find "/proc/$bridge_pid/fd" -lname 'socket:*' 2>/dev/null | wc -l; }
rss() { awk '/^VmRSS/ { print $2 }' "/proc/$bridge_pid/status"; }
check_running() {
    alive "$bridge_pid" || fail "the bridge stopped: $(cat "$work/bridge.out")"
    [ "$(sockets)" -le 1 ] || fail "the bridge holds $(sockets) sockets"
}

start_receiver() {
    stdbuf -oL oscdump -L "$port" >"$work/received.txt" &
    pids="$pids $!"
    wait_for 2 port_bound || fail "oscdump could not bind port $port"
}

# Returns once the bridge has printed its start line (seconds under valgrind).
start_bridge() {
    : >"$work/received.txt"
    LD_PRELOAD="${runtime:+$runtime:}$hub" VHUB_SCENARIO="$scenario" $wrapper "$bridge" >"$work/bridge.out" 2>&1 &
    bridge_pid=$!
    pids="$pids $bridge_pid"
    wait_for 60 grep -q "Sending OSC" "$work/bridge.out" || fail "the bridge did not start: $(cat "$work/bridge.out")"
}

# Capturing needs root or the wireshark group. Without it tshark still says "Capturing on", then
# exits: only a live tshark that has written its file's header is capturing.
start_capture() {
    tshark -i lo -f "udp port $port" -w "$work/wire.pcapng" 2>"$work/tshark.err" &
    tshark_pid=$!
    pids="$pids $tshark_pid"
    wait_for 10 eval '[ -s "$work/wire.pcapng" ] || ! alive $tshark_pid' || true
    sleep 0.3
    alive "$tshark_pid" && [ -s "$work/wire.pcapng" ] && return
    [ "${CI:-}" != true ] || fail "tshark cannot capture on lo: $(cat "$work/tshark.err")"
    echo "tshark cannot capture on lo, so oscdump alone decodes: $(head -n 2 "$work/tshark.err")"
    tshark_pid=""
}

# The dissector finds OSC by its heuristic; a datagram it rejects shows up as mere data.
decode() { tshark -r "$work/wire.pcapng" --enable-heuristic osc_udp "$@" 2>/dev/null; }

# Floats reformatted as oscdump prints them.
tshark_messages() {
    decode -T fields -E separator=' ' -E occurrence=a -E aggregator=' ' \
        -e osc.message.header.path -e osc.message.header.format -e osc.message.float |
        awk '{ sub(/^,/, "", $2); line = $1 " " $2; for (i = 3; i <= NF; i++) line = line sprintf(" %f", $i); print line }'
}

# The wire also holds the message sent before oscdump listened: the first one.
check_capture() {
    kill -INT "$tshark_pid" 2>/dev/null || true
    wait "$tshark_pid" || true
    tshark_messages | tail -n +2 | diff -u "$expected" - || fail "tshark decoded other messages (diff above)"
    local datagrams osc
    datagrams=$(decode | wc -l)
    osc=$(decode -Y 'osc && !_ws.malformed && !_ws.expert' | wc -l)
    echo "tshark: $osc sound OSC messages in $datagrams datagrams"
    [ "$osc" -eq "$datagrams" ] || fail "tshark finds malformed datagrams"
}

e2e() {
    ! port_bound || fail "port $port is already in use"
    start_capture
    start_bridge
    # The scenario's first message falls due while nobody listens, the next 4 s in.
    sleep 2
    start_receiver
    wait_for 30 eval '[ "$(received)" -ge "$(wc -l <"$expected")" ] || ! alive $bridge_pid' || true
    sleep 0.5
    check_running
    cut -d' ' -f2- "$work/received.txt" | diff -u "$expected" - ||
        fail "oscdump did not receive the expected messages (diff above: - expected, + received)"
    echo "oscdump: $(received) messages"
    [ -z "$tshark_pid" ] || check_capture
}

# The bridge ends only by a signal, which valgrind's exit status does not show: its log tells.
valgrind_e2e() {
    command -v valgrind >/dev/null || skip "valgrind is not installed"
    wrapper="valgrind --leak-check=full --log-file=$work/valgrind.log"
    e2e
    kill "$bridge_pid" 2>/dev/null || true
    wait "$bridge_pid" || true
    grep -E "ERROR SUMMARY|definitely lost|no leaks" "$work/valgrind.log"
    grep -q "ERROR SUMMARY: 0 errors" "$work/valgrind.log" || fail "valgrind found errors: $(cat "$work/valgrind.log")"
    grep -qE "definitely lost: 0 bytes|no leaks are possible" "$work/valgrind.log" || fail "memory definitely lost"
}

soak() {
    local cycles total first="" last=-1 idle=0 begin=$SECONDS
    cycles=$(awk '$1 == "repeat" { print $2; exit }' "$scenario")
    awk -v n="$cycles" '{ line[NR] = $0 } END { for (i = 0; i < n; i++) for (j = 1; j <= NR; j++) print line[j] }' \
        "$expected" >"$work/expected.txt"
    total=$(wc -l <"$work/expected.txt")
    ! port_bound || fail "port $port is already in use"
    start_receiver
    start_bridge
    # Memory is first taken a tenth of the way in, once the hub and the socket are set up.
    while [ "$(received)" -lt "$total" ] && [ "$idle" -lt 10 ]; do
        sleep 1
        check_running
        [ -n "$first" ] || [ "$(received)" -lt $((total / 10)) ] || first=$(rss)
        [ "$(received)" -gt "$last" ] && idle=0 || idle=$((idle + 1))
        last=$(received)
    done
    sleep 0.5
    check_running
    echo "soak: $cycles unplug/replug cycles, $(received) of $total messages in $((SECONDS - begin)) s," \
        "$(sockets) socket, resident memory ${first:=$(rss)} kB a tenth of the way in, $(rss) kB at the end"
    cut -d' ' -f2- "$work/received.txt" | cmp -s "$work/expected.txt" - || {
        cut -d' ' -f2- "$work/received.txt" | diff "$work/expected.txt" - | head -n 20
        fail "the messages differ from the expected ones (first differences above: < expected, > received)"
    }
    [ -n "$runtime" ] || [ $(($(rss) - first)) -le 256 ] || fail "resident memory grew by $(($(rss) - first)) kB"
}

# The namespace lives as long as its command: this script again, in the mode's second half.
no_loopback() {
    unshare -rn true 2>/dev/null || skip "this system allows no network namespace (unshare -rn)"
    unshare -rn bash "$0" no-loopback-inside "$bridge" "$port" "$hub" "$scenario" "$expected" "$runtime"
}

no_loopback_inside() {
    ip link show lo | grep -q "state DOWN" || fail "lo is up in the new namespace"
    start_bridge
    sleep 2
    check_running
    ip link set lo up
    start_receiver
    wait_for 5 eval '[ "$(received)" -ge 3 ]' || fail "no messages arrived once lo was up"
    check_running
}

case $mode in
e2e) e2e ;;
valgrind) valgrind_e2e ;;
soak) soak ;;
no-loopback) no_loopback ;;
no-loopback-inside) no_loopback_inside ;;
*) fail "unknown mode $mode" ;;
esac
echo "PASS: $mode"
