#!/bin/sh
# Shows the bridge at work without the hub: the bridge reads the virtual hub playing its default
# scenario, and vrennosc-monitor (in a terminal) or oscdump listens on port 9876. Shows the
# messages for a few seconds (or until Ctrl-C), then cleans up.
# Usage: scripts/demo.sh [SECONDS]
set -eu
cd "$(dirname "$0")/.."
port=9876

usage() {
    echo "Usage: scripts/demo.sh [SECONDS]"
    echo "Shows the bridge at work without the hub for SECONDS seconds (default 10, decimals allowed),"
    echo "or until q or Ctrl-C: the bridge reads the virtual hub and sends to port $port, where"
    echo "vrennosc-monitor shows the messages; without a terminal, oscdump prints them."
}

case "${1:-}" in -h | --help) usage && exit 0 ;; esac
seconds=${1-10}
# A positive decimal number, which both sleep and the monitor's --seconds take.
if [ $# -gt 1 ] || ! s=$seconds awk 'BEGIN { s = ENVIRON["s"]
        exit !(s ~ /^([0-9]+\.?[0-9]*|\.[0-9]+)$/ && s + 0 > 0 && s + 0 < 1e9) }'; then
    usage >&2
    exit 2
fi

# The bridge sends to "localhost" over the loopback interface: without either, the demo stays silent.
check_loopback() {
    if ! ip -o link show lo | grep -q '[<,]UP[,>]'; then
        echo "The loopback interface lo is down, so the messages cannot reach the receiver:" \
            "bring it up with \"sudo ip link set lo up\"." >&2
        exit 1
    fi
    if [ "$(resolve_localhost)" != 127.0.0.1 ]; then
        echo "\"localhost\" does not resolve to 127.0.0.1, so the messages cannot reach the receiver:" \
            "add the line \"127.0.0.1 localhost\" to /etc/hosts." >&2
        exit 1
    fi
}

# The address the bridge's own lookup gives. Not `getent ahostsv4`: it asks for AI_ADDRCONFIG, and
# finds nothing on a machine whose only IPv4 address is the loopback's (offline).
resolve_localhost() {
    perl -MSocket=:addrinfo,AF_INET,SOCK_DGRAM,inet_ntoa,unpack_sockaddr_in -e \
        'my ($err, @found) = getaddrinfo("localhost", "", { family => AF_INET, socktype => SOCK_DGRAM });
         print inet_ntoa((unpack_sockaddr_in($found[0]{addr}))[1]) unless $err;'
}

built() {
    [ -x build/demo/vrennosc ] && [ -x build/demo/tools/monitor/vrennosc-monitor ] &&
        [ -x build/demo/tools/play/vrennosc-play ] && [ -f build/demo/tools/virtualhub/libvirtualhub.so ]
}

# What the bridge and the virtual hub printed besides the start line: their errors.
show_bridge_log() {
    if grep -v '^Sending OSC' "$bridge_log" >"$work/said"; then
        echo "The bridge printed:" >&2
        sed 's/^/  /' "$work/said" >&2
    fi
}

# After the timer or Ctrl-C: stops everything, says what went wrong, and ends the demo.
finish() {
    kill -0 "$bridge" 2>/dev/null || echo "The bridge stopped during the demo." >&2
    cleanup
    show_bridge_log
    if [ ! -t 1 ] && [ ! -s "$work/received" ]; then
        echo "No message arrived in the demo: see \"No messages arrive\" in README.md." >&2
    fi
    echo "Demo over."
}

scripts/install-deps.sh demo
check_loopback
# Measured on two cores: 13 s when idle, 31 s when busy.
built || echo "Building the bridge, the virtual hub, the monitor and the player: about 30 s, the first time only..."
cmake -S . -B build/demo -DBUILD_TESTING=OFF >/dev/null
cmake --build build/demo --target vrennosc virtualhub vrennosc-monitor vrennosc-play -j "$(nproc)" >/dev/null

# Checked before the page is announced: with the port taken, the receiver could not start.
port_taken() {
    echo "Port $port is taken: stop the program that listens on it and try again" \
        "(build/demo/tools/monitor/vrennosc-monitor --check names it)." >&2
    exit 1
}
! ss -Hlun "sport = :$port" | grep -q . || port_taken

receiver=""
viewer=""
bridge=""
timer=""
work=$(mktemp -d)
bridge_log=$work/bridge.log
cleanup() {
    for pid in $timer $bridge $receiver $viewer; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap 'cleanup; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM HUP PIPE

# In a terminal, the monitor serves its web page too, on the first free port from 9880: opened when
# a graphical browser is at hand, else its address is shown before the screen takes the terminal.
web=""
for p in 9880 9881 9882 9883 9884; do
    [ -t 1 ] && [ -z "$web" ] && ! ss -Hltn "sport = :$p" | grep -q . && web=$p
done
page=${web:+http://127.0.0.1:$web/}
graphical=$([ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && command -v xdg-open || true)
[ -z "$page" ] || [ -n "$graphical" ] || { echo "The live page: open $page in a browser." && sleep 3; }

# The bridge starts first, so that the monitor's first frame finds it running; its scenario waits
# half a second, so that the receiver, started meanwhile, hears the first report.
{ echo "wait 500" && cat tools/virtualhub/scenarios/default.txt; } >"$work/scenario.txt"
# A relative path: LD_PRELOAD splits at spaces, and the checkout's own path may hold one.
VHUB_SCENARIO=$work/scenario.txt LD_PRELOAD=./build/demo/tools/virtualhub/libvirtualhub.so \
    build/demo/vrennosc >"$bridge_log" 2>&1 &
bridge=$!
# It prints its start line first thing; 5 s allows for a loaded computer.
for _ in $(seq 100); do
    if grep -q '^Sending OSC' "$bridge_log" || ! kill -0 "$bridge" 2>/dev/null; then break; fi
    sleep 0.05
done
if ! grep -q '^Sending OSC' "$bridge_log" || ! kill -0 "$bridge" 2>/dev/null; then
    echo "The bridge did not start." >&2
    show_bridge_log
    exit 1
fi

if [ -t 1 ]; then
    # The live monitor; a background job's input would be /dev/null, so it reads the terminal.
    build/demo/tools/monitor/vrennosc-monitor --port "$port" --seconds "$seconds" ${web:+--web "$web"} </dev/tty &
    receiver=$!
    [ -z "$page" ] || [ -z "$graphical" ] || (xdg-open "$page" >/dev/null 2>&1 &)
else
    # oscdump writes to a file, so that the end can tell whether anything arrived; tail shows it.
    oscdump -L "$port" >"$work/received" &
    receiver=$!
    tail -f -n +1 "$work/received" &
    viewer=$!
fi
sleep 0.3
# The receiver exits at once when it cannot have the port.
kill -0 "$receiver" 2>/dev/null || port_taken

# Waiting on a background sleep lets Ctrl-C end the demo at once, the same way as the timer.
sleep "$seconds" &
timer=$!
trap 'kill "$timer" 2>/dev/null || true' INT
# The monitor ends by itself after the same time, or on q or Ctrl-C.
if [ -t 1 ]; then wait "$receiver" || true; else wait "$timer" || true; fi
finish
