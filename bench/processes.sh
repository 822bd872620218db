# Sourced by the benchmark scripts: a scratch folder, and the processes in $started, that go away
# on exit; failing with a message, waiting for a condition, and the drops at a port's socket.
work=$(mktemp -d)
started=""
cleanup() {
    for pid in $started; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "bench: $*" >&2; exit 1; }
# Starts a process among those that go away on exit.
background() {
    "$@" &
    started="$started $!"
}
# Evaluates a condition every 50 ms for at most 10 s.
wait_until() {
    for _ in $(seq 200); do eval "$1" && return 0; sleep 0.05; done
    fail "timed out waiting for: $1"
}
# A free TCP port on the loopback, for a page.
free_tcp_port() { python3 -c "import socket; s = socket.socket(); s.bind(('127.0.0.1', 0)); print(s.getsockname()[1])"; }
# The kernel's count of datagrams dropped at $port's socket (the last column of /proc/net/udp).
drops() { awk -v p=":$(printf %04X "$port")" 'substr($2, length($2) - 4) == p {print $NF}' /proc/net/udp; }
# LD_PRELOAD splits its list at spaces, so the virtual hub ($hub) is preloaded through a link here.
if [ -n "${hub:-}" ]; then ln -s "$hub" "$work/libvirtualhub.so" && hub=$work/libvirtualhub.so; fi
