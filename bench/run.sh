#!/bin/bash
# Runs the benchmarks of a build tree and prints their figures as a Markdown table.
# Usage: bench/run.sh BUILD_DIR full|quick
#   full   the published figures, about two minutes;
#   quick  a short pass that only checks every stage still runs and reports (about 20 s).
# Exits non-zero when a stage fails to produce its figures; no figure is judged against a target.
set -eu -o pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
mode=$2
bin=$build/bench
hub=$build/tools/virtualhub/libvirtualhub.so
port=$(sed -n 's/^VRENNOSC_BENCH_PORT:STRING=//p' "$build/CMakeCache.txt")
command -v valgrind >/dev/null || { echo "bench: valgrind is needed (Debian package valgrind)" >&2; exit 1; }

case $mode in
full) messages=50000 repetitions=11 counted=50000 bursts=5 burst_reports=100000 reports=1666667 clock_s=10 idle_s=10 ;;
quick) messages=2000 repetitions=5 counted=2000 bursts=3 burst_reports=5000 reports=20000 clock_s=2 idle_s=1 ;;
*) echo "usage: $0 BUILD_DIR full|quick" >&2; exit 2 ;;
esac
datagrams_per_report=6 # set by the connectors of flood.txt
burst_datagrams=$((burst_reports * datagrams_per_report))
flood_datagrams=$((reports * datagrams_per_report))

. "$here/processes.sh"

# bench_receive in the background; returns once it has bound the port.
start_receiver() {
    "$bin/bench_receive" "$@" >"$work/receiver" &
    receiver=$!
    started="$started $receiver"
    for _ in $(seq 100); do
        grep -qs ready "$work/receiver" && return 0
        sleep 0.05
    done
    fail "receiver did not start"
}

# Waits for the receiver to stop; its result line is then in $work/result.
wait_receiver() {
    wait "$receiver" || fail "receiver: $(tr '\n' ' ' <"$work/receiver")"
    sed -n 2p "$work/receiver" >"$work/result"
}

# The bridge with the virtual hub playing a scenario, or with no hub at all when none is given.
start_bridge() {
    if [ -n "${1:-}" ]; then
        VHUB_SCENARIO=$1 LD_PRELOAD=$hub "$bin/vrennosc_bench" >/dev/null &
    else
        "$bin/vrennosc_bench" >/dev/null &
    fi
    bridge=$!
    started="$started $bridge"
}

stop_bridge() {
    kill -0 "$bridge" 2>/dev/null || fail "the bridge ended by itself"
    kill "$bridge"
    wait "$bridge" 2>/dev/null || true
}

rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# Rates count what was sent, from the first datagram's arrival to the last's: a receiver that falls
# behind on a busy machine loses datagrams in the kernel without slowing the sender.
per_second() { awk -v n="$1" -v s="$2" 'BEGIN {printf "%.0f", n / s}'; }
percent_lost() { awk -v n="$1" -v r="$2" 'BEGIN {printf "%.2f %%", 100 * (n - r) / n}'; }
mib() { awk -v k="$1" 'BEGIN {printf "%.2f MiB", k / 1024}'; }
ms() { awk -v u="$1" 'BEGIN {printf "%.2f ms", u / 1000}'; }

# Instructions per message of one send path: a run of 2N minus a run of N removes start-up.
instructions() {
    local n total=()
    for n in "$counted" $((2 * counted)); do
        valgrind --tool=callgrind --callgrind-out-file="$work/callgrind" \
            "$bin/bench_send_path" count "$1" "$port" "$n" 2>/dev/null || fail "callgrind run of $1"
        total+=("$(sed -n 's/^summary: //p' "$work/callgrind")")
    done
    echo $(((total[1] - total[0]) / counted))
}

# One burst of the floor (bare send() of the 36 bytes) or of the whole bridge flooded by the hub,
# each a fresh process: its rate joins the list, its received datagrams the total.
# Per second of the sender's CPU time as well: a steadier figure when other jobs take the cores.
floor_burst() {
    start_receiver count "$port" 500
    cpu=$("$bin/bench_send_path" flood "$port" "$burst_datagrams")
    wait_receiver
    read -r _ received _ seconds <"$work/result"
    floor_rates+=("$(per_second "$burst_datagrams" "$seconds")")
    floor_cpu_rates+=("$(per_second "$burst_datagrams" "${cpu#cpu_seconds }")")
    floor_received=$((floor_received + received))
}
bridge_burst() {
    start_receiver count "$port" 500
    start_bridge "$work/burst.txt"
    wait_receiver
    cpu=$("$bin/bench_cpu" "$bridge") # start-up and the idle wait add about 1 %
    stop_bridge
    read -r _ received _ seconds <"$work/result"
    bridge_rates+=("$(per_second "$burst_datagrams" "$seconds")")
    bridge_cpu_rates+=("$(per_second "$burst_datagrams" "${cpu#cpu_seconds }")")
    bridge_received=$((bridge_received + received))
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }

# The bridge's CPU time over the idle window into $work/bridge_cpu, and in $sleeper_clock that of a
# bare sleep loop with the bridge's pause, measured over the same window: on a virtual machine a
# wake-up alone can cost tens of microseconds.
idle_cpu() {
    "$bin/bench_sleep_loop" "$1" &
    local sleeper=$!
    started="$started $sleeper"
    "$bin/bench_cpu" "$sleeper" "$idle_s" >"$work/sleeper" &
    "$bin/bench_cpu" "$bridge" "$idle_s" >"$work/bridge_cpu"
    wait $! || fail "CPU time of the sleep loop"
    read -r _ _ _ sleeper_clock <"$work/sleeper"
    kill "$sleeper"
}

echo "== machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1), Linux $(uname -r)"
echo "== load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== 1. per-message cost, interleaved"
"$bin/bench_send_path" compare "$port" "$messages" "$repetitions" | tee "$work/compare" ||
    fail "per-message comparison"
path_field() { awk -v p="$1" -v f="$2" '$1 == p {print $f}' "$work/compare"; }
lost=$(awk '$1 ~ /^(bridge|floor|liblo)$/ {s += $4} END {print s}' "$work/compare")

echo "== 1. instructions per message (callgrind, N=$counted and 2N)"
ir_bridge=$(instructions bridge)
ir_floor=$(instructions floor)
ir_liblo=$(instructions liblo)
echo "bridge $ir_bridge floor $ir_floor liblo $ir_liblo"

echo "== 2. whole-bridge rate: $bursts bursts of $burst_datagrams datagrams each, bridge and floor in turn"
sed -e '/^wait /d' -e "s/^flood .*/flood $burst_reports/" "$here/flood.txt" >"$work/burst.txt"
floor_rates=() bridge_rates=() ratios=() floor_received=0 bridge_received=0
floor_cpu_rates=() bridge_cpu_rates=() cpu_ratios=()
for burst in $(seq "$bursts"); do
    if [ $((burst % 2)) = 1 ]; then
        floor_burst
        bridge_burst
    else
        bridge_burst
        floor_burst
    fi
    ratios+=("$(ratio "${bridge_rates[-1]}" "${floor_rates[-1]}")")
    cpu_ratios+=("$(ratio "${bridge_cpu_rates[-1]}" "${floor_cpu_rates[-1]}")")
    echo "datagrams/s: bridge ${bridge_rates[-1]} floor ${floor_rates[-1]}, ratio ${ratios[-1]};" \
        "per CPU-second: bridge ${bridge_cpu_rates[-1]} floor ${floor_cpu_rates[-1]}, ratio ${cpu_ratios[-1]}"
done
bridge_rate=$(median "${bridge_rates[@]}")
floor_rate=$(median "${floor_rates[@]}")
report_rate=$((bridge_rate / datagrams_per_report))

echo "== 2. whole bridge, one run of $reports flood reports, $flood_datagrams datagrams"
sed "s/^flood .*/flood $reports/" "$here/flood.txt" >"$work/flood.txt"
start_receiver count "$port" 1000
start_bridge "$work/flood.txt"
sleep 0.5 # the scenario holds the flood back for a second
rss_start=$(rss_kib "$bridge")
sleep 1.5 # a second into the flood: the first messages have set up the socket and the heap
rss_early=$(rss_kib "$bridge")
wait_receiver
read -r _ flood_received _ flood_seconds <"$work/result"
rss_end=$(rss_kib "$bridge")
flood_rate=$(per_second "$flood_datagrams" "$flood_seconds")
echo "received $flood_received in $flood_seconds s: $flood_rate datagrams/s"
echo "RSS $rss_start KiB at start, $rss_early KiB a second into the flood, $rss_end KiB after it"

echo "== 4. idle CPU, hub present but silent, ${idle_s} s, beside a bare loop of 1 ms sleeps"
idle_cpu 1000
read -r _ silent_stat _ silent_clock <"$work/bridge_cpu"
silent_sleeper=$sleeper_clock
stop_bridge
echo "bridge: stat $silent_stat % clock $silent_clock %; sleep loop: clock $silent_sleeper %"

echo "== 3. latency, 1000 reports/s for $clock_s s"
sed "s/^generate clock .*/generate clock 16 1000 $clock_s/" "$here/clock.txt" >"$work/clock.txt"
start_receiver latency "$port" /vrenn/UART-clock 1000
start_bridge "$work/clock.txt"
wait_receiver
read -r _ samples _ p50 _ p99 _ pmax _ <"$work/result"
stop_bridge
echo "samples $samples p50 $p50 us p99 $p99 us max $pmax us"

echo "== 4. idle CPU, hub absent, ${idle_s} s, beside a bare loop of 100 ms sleeps"
start_bridge ""
sleep 1
idle_cpu 100000
read -r _ absent_stat _ absent_clock <"$work/bridge_cpu"
absent_sleeper=$sleeper_clock
rss_absent=$(rss_kib "$bridge")
stop_bridge
echo "bridge: stat $absent_stat % clock $absent_clock %; sleep loop: clock $absent_sleeper %"
echo "== load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"

cat <<EOF

| figure | target | measured |
|---|---|---|
| send path vs floor | ≤ 1.10× | $(path_field bridge 3)× (bridge $(path_field bridge 2) ns, floor $(path_field floor 2) ns per message; $lost of $((3 * messages * repetitions)) lost) |
| send path vs liblo | ≤ 0.80× | $(path_field bridge/liblo 2)× (liblo $(path_field liblo 2) ns, $(path_field liblo 3)× floor) |
| instructions per message | ≤ 700 | $ir_bridge (floor $ir_floor, liblo $ir_liblo) |
| whole-bridge rate | ≥ 500,000 datagrams/s | $bridge_rate datagrams/s, $report_rate reports/s; $(median "${ratios[@]}")× the floor's $floor_rate datagrams/s; per CPU-second $(median "${bridge_cpu_rates[@]}"), $(median "${cpu_ratios[@]}")× the floor's $(median "${floor_cpu_rates[@]}"); receiver lost $(percent_lost $((bursts * burst_datagrams)) "$bridge_received") (floor $(percent_lost $((bursts * burst_datagrams)) "$floor_received")); one run of $flood_datagrams: $flood_rate datagrams/s, lost $(percent_lost "$flood_datagrams" "$flood_received") |
| latency at 1000 reports/s | p99 ≤ 1.5 ms | p50 $(ms "$p50"), p99 $(ms "$p99"), max $(ms "$pmax") ($samples of $((clock_s * 1000)) reports) |
| idle CPU, hub silent | ≤ 1 % | $silent_clock % (from /proc/PID/stat: $silent_stat %); a bare loop of 1 ms sleeps beside it: $silent_sleeper % |
| idle CPU, hub absent | ≤ 0.05 % | $absent_clock % (from /proc/PID/stat: $absent_stat %); a bare loop of 100 ms sleeps beside it: $absent_sleeper % |
| RSS | ≤ 4 MiB, flat | $(mib "$rss_start") after start, $(mib "$rss_early") a second into the flood, $(mib "$rss_end") after $flood_datagrams messages; $(mib "$rss_absent") without the hub |
EOF
