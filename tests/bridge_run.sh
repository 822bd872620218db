#!/bin/bash
# The unchanged bridge, built for a test port, with the virtual hub preloaded playing SCENARIO and
# oscdump receiving, in one mode per kind of check: e2e (oscdump and tshark), memcheck (e2e under
# valgrind), soak and no-loopback; docs/testing.md's Reliability section says what each checks.
# Usage: bridge_run.sh MODE BRIDGE PORT LIBVIRTUALHUB SCENARIO EXPECTED [SANITIZER_RUNTIME]
set -eu
mode=$1 bridge=$2 port=$3 hub=$4 scenario=$5 expected=$6 runtime=${7:-}
. "$(dirname "$0")/process_helpers.sh"
wrapper="" tshark_pid=""
received() { wc -l <"$work/received.txt"; }
sockets() { find "/proc/$bridge_pid/fd" -lname 'socket:*' 2>/dev/null | wc -l; }
rss() { awk '/^VmRSS/ { print $2 }' "/proc/$bridge_pid/status"; }
check_running() { # with one socket at most
    alive "$bridge_pid" || fail "the bridge stopped: $(cat "$work/bridge.out")"
    [ "$(sockets)" -le 1 ] || fail "the bridge holds $(sockets) sockets"; }

start_receiver() {
    ! port_bound || fail "port $port is already in use"
    stdbuf -oL oscdump -L "$port" >"$work/received.txt" &
    pids="$pids $!" && wait_for 2 port_bound || fail "oscdump could not bind port $port"
}

# Returns once the bridge has printed its start line (seconds under valgrind).
start_bridge() {
    LD_PRELOAD="${runtime:+$runtime:}$hub" VHUB_SCENARIO="$scenario" $wrapper "$bridge" >"$work/bridge.out" 2>&1 &
    bridge_pid=$! && pids="$pids $!"
    wait_for 60 '! alive $bridge_pid || grep -q "Sending OSC" "$work/bridge.out"' || true
    grep -q "Sending OSC" "$work/bridge.out" || fail "the bridge did not start: $(cat "$work/bridge.out")"
}

# Capturing needs root or the wireshark group; without them tshark still prints "Capturing on",
# then exits. It captures once it is alive with its file's header written.
start_capture() {
    tshark -i lo -f "udp port $port" -w "$work/wire.pcapng" 2>"$work/tshark.err" &
    tshark_pid=$! && pids="$pids $!"
    wait_for 10 '[ -s "$work/wire.pcapng" ] || ! alive $tshark_pid' || true
    if sleep 0.3 && alive "$tshark_pid" && [ -s "$work/wire.pcapng" ]; then return; fi
    [ "${CI:-}" != true ] || fail "tshark cannot capture on lo: $(cat "$work/tshark.err")"
    echo "tshark cannot capture on lo, so oscdump alone decodes: $(head -n 2 "$work/tshark.err")" && tshark_pid=""
}

# The dissector finds OSC by its heuristic; a datagram it rejects shows up as mere data.
decode() { tshark -r "$work/wire.pcapng" --enable-heuristic osc_udp "$@" 2>/dev/null; }

# The wire also holds the first message, sent before oscdump listened. Floats as oscdump prints them.
# Every datagram's bytes are compared too, with those of the amd64 build, so that a build for
# another architecture is byte for byte the same.
check_capture() {
    kill -INT "$tshark_pid" && wait "$tshark_pid" || true
    decode -T fields -e udp.payload | diff -u "${expected%.txt}-bytes.txt" - || fail "other bytes on the wire (diff above)"
    decode -T fields -E separator=' ' -E occurrence=a -E aggregator=' ' \
        -e osc.message.header.path -e osc.message.header.format -e osc.message.float |
        awk '{ sub(/^,/, "", $2); s = $1 " " $2; for (i = 3; i <= NF; i++) s = s sprintf(" %f", $i); print s }' |
        tail -n +2 | diff -u "$expected" - || fail "tshark decoded other messages (diff above)"
    [ "$(decode -Y '!osc || _ws.malformed || _ws.expert' | wc -l)" -eq 0 ] || fail "tshark finds malformed datagrams"
}

e2e() {
    start_capture
    start_bridge
    sleep 2 # the first message falls due before oscdump listens, the next 4 s in
    start_receiver
    wait_for 30 '[ "$(received)" -ge "$(wc -l <"$expected")" ] || ! alive $bridge_pid' || true
    sleep 0.5 && check_running
    cut -d' ' -f2- "$work/received.txt" | diff -u "$expected" - || fail "oscdump got other messages (- expected)"
    [ -z "$tshark_pid" ] || check_capture
}

# The bridge ends only by a signal, which valgrind's exit status does not show: its log tells.
memcheck() {
    [ -z "${VRENNOSC_EMULATOR:-}" ] || { echo "SKIP: valgrind cannot check a program run by $VRENNOSC_EMULATOR" && exit 77; }
    wrapper="valgrind --leak-check=full --log-file=$work/valgrind.log"
    e2e
    kill "$bridge_pid" && wait "$bridge_pid" || true
    grep -q "ERROR SUMMARY: 0 errors" "$work/valgrind.log" || fail "valgrind found errors: $(cat "$work/valgrind.log")"
    grep -qE "definitely lost: 0 bytes|no leaks are possible" "$work/valgrind.log" || fail "memory definitely lost"
}

# Memory is first taken a tenth of the way in; a sanitizer's own memory grows, so it is not judged.
soak() {
    local cycles total first="" last=-1 begin=$SECONDS
    cycles=$(awk '$1 == "repeat" { print $2; exit }' "$scenario") && total=$((cycles * $(wc -l <"$expected")))
    yes "$(cat "$expected")" | head -n "$total" >"$work/expected.txt"
    start_receiver
    start_bridge
    while [ "$(received)" -lt "$total" ] && [ "$(received)" -gt "$last" ]; do
        last=$(received) && sleep 3 && check_running
        [ -n "$first" ] || [ "$(received)" -lt $((total / 10)) ] || first=$(rss)
    done
    sleep 0.5 && check_running
    echo "soak: $cycles unplug/replug cycles, $(received) of $total messages in $((SECONDS - begin)) s," \
        "$(sockets) socket, resident memory ${first:=$(rss)} kB then $(rss) kB"
    cut -d' ' -f2- "$work/received.txt" | diff "$work/expected.txt" - >"$work/diff" ||
        fail "other messages (< expected, > received): $(head -n 20 "$work/diff")"
    [ -n "$runtime" ] || [ $(($(rss) - first)) -le 256 ] || fail "resident memory grew by $(($(rss) - first)) kB"
}

# The namespace lives as long as its command: this script again, waited for so that a signal ends it.
# Root needs no user namespace, which chroots and many containers deny even to root.
no-loopback() {
    local unshare="unshare -rn" error
    [ "$(id -u)" != 0 ] || unshare="unshare -n"
    error=$($unshare true 2>&1) || { echo "SKIP: this system allows no network namespace ($unshare): $error" && exit 77; }
    $unshare bash "$0" in-namespace "$bridge" "$port" "$hub" "$scenario" "$expected" "$runtime" &
    pids="$pids $!" && wait $!
}

in-namespace() {
    ip link show lo | grep -q "state DOWN" || fail "lo is up in the new namespace"
    start_bridge
    sleep 2 && check_running
    ip link set lo up && start_receiver
    wait_for 5 '[ "$(received)" -ge 3 ]' || fail "no messages arrived once lo was up"
    check_running
}

[[ $mode =~ ^(e2e|memcheck|soak|no-loopback|in-namespace)$ ]] || fail "unknown mode $mode"
"$mode"
echo "PASS: $mode"
