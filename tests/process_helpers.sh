# Sourced by the test drivers that run programs in the background: a scratch folder, and the
# processes in $pids, that go away on exit or a signal; failing, polling, and whether $port is bound.
work=$(mktemp -d) pids=""
trap 'for pid in $pids; do kill "$pid" 2>/dev/null || true; done; wait; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP
# LD_PRELOAD splits its list at spaces, so the virtual hub ($hub) is preloaded through a link here.
if [ -n "${hub:-}" ]; then ln -s "$hub" "$work/libvirtualhub.so" && hub=$work/libvirtualhub.so; fi
fail() { echo "FAIL: $*" >&2 && exit 1; }
alive() { kill -0 "$1" 2>/dev/null; }
# Evaluates a condition every 50 ms for at most $1 seconds.
wait_for() { for _ in $(seq $(($1 * 20))); do eval "$2" && return; sleep 0.05; done; return 1; }
port_bound() { grep -qi ":$(printf %04X "$port") [0-9A-F]*:0000 07" /proc/net/udp /proc/net/udp6 2>/dev/null; }
