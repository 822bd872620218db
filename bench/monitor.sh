#!/bin/bash
# vrennosc-monitor against the bridge flooding from the virtual hub, beside `oscdump > /dev/null`
# as the peer, and its memory under floods of messages and of addresses. Prints the figures as
# Markdown table rows; judges none of them.
# Usage: bench/monitor.sh BUILD_DIR full|quick
set -eu -o pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
bin=$build/bench
hub=$build/tools/virtualhub/libvirtualhub.so
monitor=$build/tools/monitor/vrennosc-monitor
port=$(sed -n 's/^VRENNOSC_BENCH_PORT:STRING=//p' "$build/CMakeCache.txt")
forward_port=$((port + 1))
case ${2:-} in
full) reports=333334 messages=10000000 distinct=1000000 idle_s=10 extra=400 ;;
quick) reports=20000 messages=200000 distinct=20000 idle_s=2 extra=40 ;;
*) echo "usage: $0 BUILD_DIR full|quick" >&2; exit 2 ;;
esac
flood=$((reports * 6)) # datagrams: bench/flood.txt completes six vectors per report

. "$here/processes.sh"
sed "s/^flood .*/flood $reports/" "$here/flood.txt" >"$work/flood.txt"

cpu() { "$bin/bench_cpu" "$1" | awk '{print $2}'; }
rss_mib() { awk '/^VmRSS/ {printf "%.2f", $2 / 1024}' "/proc/$1/status"; }
bound() { [ -n "$(drops)" ]; }
# The message count of the monitor's latest plain table.
shown() { sed -n 's/^messages \([0-9]*\) .*/\1/p' "$work/tables" | tail -n1; }
background() {
    "$@" &
    pid=$!
    started="$started $pid"
}
wait_until() {
    for _ in $(seq 200); do "$@" && return 0; sleep 0.05; done
    fail "timed out waiting for: $*"
}
# The flood is over once the bridge's CPU time grows by less than 20 ms in half a second.
wait_flood() {
    local before after
    after=$(cpu "$1")
    while sleep 0.5; do
        before=$after after=$(cpu "$1")
        awk -v a="$after" -v b="$before" 'BEGIN {exit !(a - b < 0.02)}' && break
    done
    sleep 1.5 # the receiver drains its buffer, and the monitor prints one more table
}

# One receiver against one flood: sets $lost (by the receiver's own count where it has one, else
# the kernel's drops), $cpu_ns per datagram received, and $forwarded.
flood_run() {
    forwarded=""
    if [ "$1" = forward ]; then
        background "$bin/bench_receive" count "$forward_port" 3000 >"$work/forwarded"
        receiver=$pid
        wait_until grep -qs ready "$work/forwarded"
    fi
    case $1 in
    oscdump) background oscdump "$port" >/dev/null ;;
    monitor) background "$monitor" --port "$port" --plain >"$work/tables" ;;
    forward) background "$monitor" --port "$port" --forward "127.0.0.1:$forward_port" --plain >"$work/tables" ;;
    esac
    local peer=$pid
    wait_until bound
    VHUB_SCENARIO=$work/flood.txt LD_PRELOAD=$hub background "$bin/vrennosc_bench" >/dev/null
    local bridge=$pid
    sleep 1.2 # the scenario holds the flood back for a second
    wait_flood "$bridge"
    local seconds dropped
    seconds=$(cpu "$peer") dropped=$(drops)
    kill "$bridge" "$peer"
    wait "$bridge" "$peer" 2>/dev/null || true
    if [ "$1" = oscdump ]; then lost=$dropped; else lost=$((flood - $(shown))); fi
    cpu_ns=$(awk -v s="$seconds" -v n=$((flood - lost)) 'BEGIN {printf "%.0f", s * 1e9 / n}')
    if [ "$1" = forward ]; then
        wait "$receiver" || fail "the forward target's receiver failed"
        forwarded=$(awk '/^datagrams/ {print $2}' "$work/forwarded")
    fi
    echo "$1: lost $lost of $flood (kernel drops $dropped), ${cpu_ns} ns CPU per datagram${forwarded:+, forwarded $forwarded}"
}

echo "== load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
flood_run oscdump
oscdump_ns=$cpu_ns
flood_run monitor
monitor_lost=$lost monitor_ns=$cpu_ns
flood_run forward
forward_lost=$lost forward_ns=$cpu_ns

echo "== memory: $messages messages over 16 addresses, then $distinct distinct addresses"
background "$monitor" --port "$port" --plain >"$work/tables"
peer=$pid
wait_until bound
sleep 0.5
rss_start=$(rss_mib "$peer")
"$bin/bench_addresses" "$port" "$messages" 16 >/dev/null
sleep 1.5
rss_many=$(rss_mib "$peer") shown_many=$(shown) cpu_many=$(cpu "$peer")
"$bin/bench_addresses" "$port" "$distinct" "$distinct" >/dev/null
sleep 1.5
rss_distinct=$(rss_mib "$peer") shown_distinct=$(($(shown) - shown_many))
# Past 1024 rows, each new address takes the row of the one silent longest.
distinct_ns=$(awk -v a="$(cpu "$peer")" -v b="$cpu_many" -v n="$shown_distinct" 'BEGIN {printf "%.0f", (a - b) * 1e9 / n}')
kill "$peer" && wait "$peer" 2>/dev/null || true
echo "RSS $rss_start MiB at start, $rss_many MiB after $shown_many messages, $rss_distinct MiB after $shown_distinct more"
echo "== idle: the monitor's CPU time over $idle_s s, alone, then started after $extra more idle processes"
# A fresh monitor each time, started after the extra processes: pids come in order, and a scan
# that stops at the monitor's own entry would never reach processes started after it.
idle_ms() {
    local before after
    background "$monitor" --port "$port" --plain >/dev/null
    wait_until bound
    sleep 1
    before=$(cpu "$pid") && sleep "$idle_s" && after=$(cpu "$pid") || return 1
    kill "$pid" && wait "$pid" 2>/dev/null || true
    awk -v a="$after" -v b="$before" 'BEGIN {printf "%.1f", (a - b) * 1000}'
}
idle_ms >"$work/idle"
idle_alone=$(cat "$work/idle")
sleepers=$started
for _ in $(seq "$extra"); do background sleep 600; done
processes=$(ls /proc | grep -c '^[0-9]')
idle_ms >"$work/idle"
idle_crowd=$(cat "$work/idle")
kill ${started#"$sleepers"}
echo "$idle_alone ms alone, $idle_crowd ms beside $extra sleeping processes ($processes in all)"
echo "== the page's frame: 1024 rows of 512-byte addresses, one of them changed"
"$bin/bench_frames" 200
echo "== load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"

cat <<EOF

| figure | target | measured |
|---|---|---|
| monitor: datagrams lost in a flood of $flood from the bridge | 0 | $monitor_lost without forwarding; $forward_lost with one forward target, which received $forwarded |
| monitor: CPU time per message | ≤ 0.5× \`oscdump > /dev/null\` | $(awk -v m="$monitor_ns" -v o="$oscdump_ns" 'BEGIN {printf "%.2f", m / o}')× ($monitor_ns ns; $forward_ns ns with one forward target; oscdump $oscdump_ns ns) |
| monitor: CPU time per message to a new address, rows replaced | ≈ CPU time per message | $distinct_ns ns, $shown_distinct of $distinct shown |
| monitor: CPU time over $idle_s s idle | the same with $extra more processes | $idle_alone ms; $idle_crowd ms beside $extra idle processes |
| monitor: RSS | flat, bounded | $rss_start MiB at start, $rss_many MiB after $shown_many messages over 16 addresses, $rss_distinct MiB after $shown_distinct messages to distinct addresses |
EOF
