#!/bin/bash
# vrennosc-monitor --plain --web with one page open, after 1,024 datagrams with 60 KB addresses
# (61 MB in all), then the bridge's 100,000 messages at 10,000 a second: what the monitor received
# and the most memory it held. Prints the figures; judges none of them.
# Usage: bench/long_addresses.sh BUILD_DIR
set -eu -o pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
bin=$build/bench
monitor=$build/tools/monitor/vrennosc-monitor
port=$(sed -n 's/^VRENNOSC_BENCH_PORT:STRING=//p' "$build/CMakeCache.txt")
. "$here/processes.sh"
web=$(free_tcp_port)

counted() { sed -n 's/^messages \([0-9]*\) .*/\1/p' "$work/tables" | tail -n1; }
settled() { local before=$(counted) && sleep 1.1 && [ -n "$before" ] && [ "$before" = "$(counted)" ]; }

background "$monitor" --port "$port" --plain --web "127.0.0.1:$web" >"$work/tables"
monitor_pid=$!
wait_until '[ -n "$(drops)" ]'
background curl -s -N -o "$work/page" "http://127.0.0.1:$web/stream"
wait_until "grep -qs '\"full\":true' '$work/page'"
python3 -c 'import socket, sys, time
s = socket.socket(type=socket.SOCK_DGRAM)
for i in range(1024):
    address = b"/long/%04d/" % i + b"x" * 60000
    s.sendto(address + b"\0" * (4 - len(address) % 4) + b",f\0\0\0\0\0\0", ("127.0.0.1", int(sys.argv[1])))
    time.sleep(0.001)' "$port"
wait_until settled
LD_PRELOAD=$build/tools/virtualhub/libvirtualhub.so VHUB_SCENARIO=$here/web.txt background "$bin/vrennosc_bench" >/dev/null
# The scenario takes 10 s; what has not arrived 5 s later is lost.
long=$(counted)
for _ in $(seq 300); do [ "$(counted)" = $((long + 100000)) ] && break; sleep 0.05; done
cat <<EOT
| figure | measured |
|---|---|
| datagrams with 60 KB addresses: sent, received | 1024, $long |
| then the bridge's messages at 10,000/s: sent, received | 100000, $(($(counted) - long)) |
| kernel drops at the monitor's socket | $(drops) |
| the monitor's largest resident memory | $(awk '/^VmHWM/ {printf "%.1f MB", $2 / 1024}' /proc/$monitor_pid/status) |
| bytes the page received | $(wc -c <"$work/page") |
EOT
