#!/bin/bash
# vrennosc-monitor --web with 20 pages (or PAGES) open on its stream, while the bridge sends it 10,000
# messages a second for 10 s and it forwards them to one target: datagrams received and forwarded,
# and what each page received. Prints the figures; judges none of them.
# Usage: bench/web.sh BUILD_DIR [PAGES]
set -eu -o pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
bin=$build/bench
monitor=$build/tools/monitor/vrennosc-monitor
port=$(sed -n 's/^VRENNOSC_BENCH_PORT:STRING=//p' "$build/CMakeCache.txt")
forward_port=$((port + 1)) clients=${2:-20} sent=100000 # bench/web.txt: 10 connectors, 1000/s each, 10 s
. "$here/processes.sh"
web=$(free_tcp_port)

background "$bin/bench_receive" count "$forward_port" 3000 >"$work/forwarded"
receiver=$!
wait_until 'grep -qs ready "$work/forwarded"'
background "$monitor" --port "$port" --forward "127.0.0.1:$forward_port" --plain --web "127.0.0.1:$web" >"$work/tables"
monitor_pid=$!
wait_until '[ -n "$(drops)" ]'
sleep 0.2
kill -0 $monitor_pid 2>/dev/null || fail "the monitor did not start"
for i in $(seq $clients); do background curl -s -N -o "$work/page$i" "http://127.0.0.1:$web/stream"; done
wait_until "[ \$(cat $work/page* 2>/dev/null | grep -c '\"full\":true') -eq $clients ]"
LD_PRELOAD=$build/tools/virtualhub/libvirtualhub.so VHUB_SCENARIO=$here/web.txt background "$bin/vrennosc_bench" >/dev/null
start=$(date +%s.%N) cpu_start=$("$bin/bench_cpu" $monitor_pid | awk '{print $2}')
wait "$receiver" # it stops 3 s after the last datagram
cpu=$("$bin/bench_cpu" $monitor_pid | awk -v s="$cpu_start" '{printf "%.2f", $2 - s}')
seconds=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN {printf "%.1f", e - s}')
sleep 1.2 # one more table
received=$(sed -n 's/^messages \([0-9]*\) .*/\1/p' "$work/tables" | tail -n1)
forwarded=$(awk '/^datagrams/ {print $2}' "$work/forwarded")
open=0
for pid in $started; do [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = curl ] && open=$((open + 1)); done
bytes=$(cat "$work"/page* 2>/dev/null | wc -c || true)
frames=$(cat "$work"/page* 2>/dev/null | grep -c '^data: ' || true)
cat <<EOT
| figure | measured |
|---|---|
| messages in the scenario, sent by the bridge at 10,000/s | $sent |
| received by the monitor (kernel drops at its socket) | $received ($(drops)) |
| forwarded to the target and received there | $forwarded (lost: $((received - forwarded))) |
| pages still streaming at the end | $open of $clients |
| the monitor's CPU time over the run | $cpu s |
| per page: frames, KiB/s over the run's ${seconds} s (10 s of messages) | $((frames / (clients + !clients))), $(awk -v b="$bytes" -v n=$clients -v s="$seconds" 'BEGIN {printf "%.1f", n ? b / n / s / 1024 : 0}') |
EOT
