#!/bin/sh
# The program's only output: one flushed start line while it runs, or "port not in range" and exit
# status 255, without looking for the hub, for a port outside 1024..65535. The variants built for
# other ports say on standard error when they look for the hub.
# Usage: start_line_test.sh VRENNOSC ITS_PORT PORT_1023 PORT_1024 PORT_65535 PORT_65536
set -u
out=$(mktemp -d)
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; rm -rf "$out"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# program, the port it names, what it must write to stderr (a grep pattern, or "" for nothing)
runs() {
    "$1" --help -v 1234 "an argument" >"$out/stdout" 2>"$out/stderr" &
    pid=$!
    sleep 1 # read while it still runs: an unflushed line would be missing
    kill -0 "$pid" 2>/dev/null || fail "$1 exited early"
    printf 'Sending OSC messages to port %s on local host.\n' "$2" | cmp -s - "$out/stdout" ||
        fail "$1 printed: $(cat "$out/stdout")"
    if [ -z "$3" ]; then [ ! -s "$out/stderr" ]; else grep -q "$3" "$out/stderr"; fi ||
        fail "$1 wrote to stderr: $(cat "$out/stderr")"
    kill "$pid"
    wait "$pid" 2>/dev/null
    pid=""
}

rejects() {
    timeout 5 "$1" >"$out/stdout" 2>"$out/stderr"
    status=$?
    [ "$status" -eq 255 ] || fail "$1 exited with $status, not 255"
    echo "port not in range" | cmp -s - "$out/stdout" || fail "$1 printed: $(cat "$out/stdout")"
    [ ! -s "$out/stderr" ] || fail "$1 looked for the hub"
}

runs "$1" "$2" ""
runs "$4" 1024 hid_open
runs "$5" 65535 hid_open
rejects "$3"
rejects "$6"
echo "start line and port range: ok"
