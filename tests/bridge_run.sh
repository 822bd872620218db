# Sourced by the test scripts that run the bridge as a process: a scratch folder and background
# processes (add their pids to $pids) that go away on exit, failing, polling, and whether $port is
# bound by a UDP socket.
work=$(mktemp -d)
pids=""

cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Polls a condition every 50 ms for at most $1 seconds.
wait_for() {
    local tries=$(($1 * 20))
    shift
    until "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.05
    done
}

port_bound() { grep -qi ":$(printf %04X "$port") [0-9A-F]*:0000 07" /proc/net/udp /proc/net/udp6 2>/dev/null; }
