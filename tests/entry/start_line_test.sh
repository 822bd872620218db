#!/bin/sh
# The program's only output: one flushed start line, or "port not in range" for a port outside
# 1024..65535, in which case it exits with 255 without looking for the hub.
# Usage: start_line_test.sh VRENNOSC PORT_1023 PORT_1024 PORT_65535 PORT_65536
set -u
fail() { echo "FAIL: $*"; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Runs a program that is expected to keep running; its output is read while it still runs, so
# an unflushed line would be missing.
check_runs_quietly() {
    program=$1 port=$2
    shift 2
    "$program" "$@" >"$out/stdout" 2>"$out/stderr" &
    pid=$!
    sleep 1
    kill -0 "$pid" 2>/dev/null || fail "$program exited early"
    printf 'Sending OSC messages to port %s on local host.\n' "$port" >"$out/expected"
    cmp -s "$out/stdout" "$out/expected" || fail "$program printed: $(cat "$out/stdout")"
    kill "$pid"
    wait "$pid" 2>/dev/null
}

check_rejects_port() {
    program=$1
    "$program" >"$out/stdout" 2>"$out/stderr"
    status=$?
    [ "$status" -eq 255 ] || fail "$program exited with $status, not 255"
    printf 'port not in range\n' | cmp -s - "$out/stdout" || fail "$program printed: $(cat "$out/stdout")"
    [ ! -s "$out/stderr" ] || fail "$program looked for the hub: $(cat "$out/stderr")"
}

check_runs_quietly "$1" 9876 --help -v 1234 "an argument"
[ ! -s "$out/stderr" ] || fail "the bridge wrote to standard error: $(cat "$out/stderr")"
check_runs_quietly "$3" 1024
grep -q hid_open "$out/stderr" || fail "port 1024 did not look for the hub"
check_runs_quietly "$4" 65535
check_rejects_port "$2"
check_rejects_port "$5"
echo "start line and port range: ok"
