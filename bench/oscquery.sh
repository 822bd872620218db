#!/bin/bash
# vrennosc-monitor --oscquery with 16 WebSocket clients (or CLIENTS) listening to every address,
# while the bridge sends it 10,000 messages a second for 10 s (bench/web.txt) and it forwards them
# to one target; then the same run without clients. Prints the datagrams received and forwarded,
# what each client received, the skips the monitor counted, and its CPU time per message in each
# run. Judges none of the figures.
# Usage: bench/oscquery.sh BUILD_DIR [CLIENTS]
set -eu -o pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
bin=$build/bench
monitor=$build/tools/monitor/vrennosc-monitor
port=$(sed -n 's/^VRENNOSC_BENCH_PORT:STRING=//p' "$build/CMakeCache.txt")
forward_port=$((port + 1)) clients=${2:-16} sent=100000
. "$here/processes.sh"

# One run with $1 clients: sets received, forwarded, skipped, cpu and the clients' counts.
run() {
    local query n receiver monitor_pid cpu_start
    query=$(free_tcp_port)
    rm -f "$work"/client* "$work/tables"
    background "$bin/bench_receive" count "$forward_port" 3000 >"$work/forwarded"
    receiver=$!
    wait_until 'grep -qs ready "$work/forwarded"'
    background "$monitor" --port "$port" --forward "127.0.0.1:$forward_port" --plain --oscquery "$query" >"$work/tables" 2>/dev/null
    monitor_pid=$!
    wait_until "curl -so /dev/null http://127.0.0.1:$query/"
    # The clients stand for programs on other computers: they yield this machine's cores.
    for n in $(seq "$1"); do background nice -n 19 python3 "$here/oscquery_listen.py" "$query" >"$work/client$n"; done
    wait_until "[ \$(cat $work/client* 2>/dev/null | grep -c ready) -eq $1 ]"
    cpu_start=$("$bin/bench_cpu" $monitor_pid | awk '{print $2}')
    LD_PRELOAD=$build/tools/virtualhub/libvirtualhub.so VHUB_SCENARIO=$here/web.txt background "$bin/vrennosc_bench" >/dev/null
    wait "$receiver" # it stops 3 s after the last datagram
    cpu=$("$bin/bench_cpu" $monitor_pid | awk -v s="$cpu_start" '{printf "%.3f", $2 - s}')
    wait_until "[ \$(cat $work/client* 2>/dev/null | grep -c received) -eq $1 ]"
    sleep 1.2 # one more table
    received=$(sed -n 's/^messages \([0-9]*\) .*/\1/p' "$work/tables" | tail -n1)
    skipped=$(sed -n 's/.*   skipped \([0-9]*\)$/\1/p' "$work/tables" | tail -n1)
    forwarded=$(awk '/^datagrams/ {print $2}' "$work/forwarded")
    counts=$(cat "$work"/client* 2>/dev/null | awk '/^received/ {print $2}' | sort -n | tr '\n' ' ' || true)
    kill $monitor_pid && wait $monitor_pid || true # the port is free again
}

run "$clients"
with="$received $forwarded ${skipped:-0} $cpu" with_counts=$counts
run 0
set -- $with
cat <<EOT
| figure | with $clients clients | without |
|---|---|---|
| messages sent by the bridge at 10,000/s | $sent | $sent |
| received by the monitor (kernel drops at its socket) | $1 | $received |
| forwarded to the target and received there | $2 (lost: $(($1 - $2))) | $forwarded (lost: $((received - forwarded))) |
| datagrams each client received, fewest to most | $with_counts| |
| skipped for clients that could not keep up | $3 | |
| the monitor's CPU time per message | $(awk -v c="$4" -v n="$1" 'BEGIN {printf "%.2f µs", c / n * 1e6}') | $(awk -v c="$cpu" -v n="$received" 'BEGIN {printf "%.2f µs", c / n * 1e6}') |
EOT
