#!/bin/bash
# Recording and replay: the monitor's CPU time per message at 10,000 messages/s with and without
# --record (vrennosc-play is the source, playing a made-up take of the bridge's messages), the
# player's RSS over that replay, projected to an hour, and the replay timing error at 1,000
# messages/s beside a bare clock_nanosleep-and-send loop's. Prints Markdown table rows.
# Usage: bench/record.sh BUILD_DIR full|quick
set -eu -o pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
bin=$build/bench
monitor=$build/tools/monitor/vrennosc-monitor
play=$build/tools/play/vrennosc-play
port=$(($(sed -n 's/^VRENNOSC_BENCH_PORT:STRING=//p' "$build/CMakeCache.txt") + 2))
case ${2:-} in
full) seconds=30 timing_seconds=10 ;;
quick) seconds=4 timing_seconds=1 ;;
*) echo "usage: $0 BUILD_DIR full|quick" >&2; exit 2 ;;
esac
. "$here/processes.sh"

# A take of RATE messages/s for SECONDS, as the bridge sends them: a 3-value and a 1-value address
# in turn (or "/t i N", numbered, for the timing receiver).
take() {
    python3 -c 'import sys
rate, seconds, kind = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
start = 0xeec17c00 << 32
for i in range(rate * seconds):
    t = start + i * 2**32 // rate
    body = "/t i %d" % i if kind == "numbered" else ("/vrenn/I2C-accel fff 0.1 -9.81 0.53139526" if i % 2 else "/vrenn/A0-light f 0.99999994")
    print("%08x.%08x %s" % (t >> 32, t & 0xffffffff, body))' "$@"
}
rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
bound() { grep -qi ":$(printf %04X "$port") " /proc/net/udp; }
wait_bound() { for _ in $(seq 100); do bound && return; sleep 0.05; done; fail "nothing bound port $port"; }

# The monitor against a 10,000 messages/s replay: sets $ns (CPU per message), $lines, $rss_early, $rss_late.
monitor_run() {
    "$monitor" --port "$port" --plain "$@" >"$work/tables" &
    local peer=$!
    started="$started $peer"
    wait_bound
    "$play" --to "127.0.0.1:$port" "$work/take" &
    local player=$!
    started="$started $player"
    sleep 2 && rss_early=$(rss_kib $player)
    sleep $((seconds - 3)) && rss_late=$(rss_kib $player)
    wait $player || fail "vrennosc-play failed"
    sleep 1.5 # the last table
    local cpu task
    cpu=$("$bin/bench_cpu" $peer | awk '{print $2}')
    writer_ns=""
    for task in /proc/$peer/task/*; do
        [ "$(cat "$task/comm")" = vrennosc-record ] || continue
        # utime and stime, in clock ticks, after the command name's closing parenthesis.
        writer_ns=$(sed 's/.*) //' "$task/stat" | awk -v hz="$(getconf CLK_TCK)" -v n=$((seconds * 10000)) '{printf "%.0f", ($12 + $13) / hz * 1e9 / n}')
    done
    kill $peer && wait $peer 2>/dev/null || true
    ns=$(awk -v s="$cpu" -v n=$((seconds * 10000)) 'BEGIN {printf "%.0f", s * 1e9 / n}')
    lines=$( [ -f "$work/rec" ] && wc -l <"$work/rec" || echo 0)
}

echo "== load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
take 10000 $seconds bridge >"$work/take"
monitor_run
plain_ns=$ns
monitor_run --record "$work/rec"
record_ns=$ns
echo "monitor at 10,000 messages/s: $plain_ns ns CPU per message, $record_ns ns recording, of which the writer thread $writer_ns ns ($lines of $((seconds * 10000)) lines written)"
projected=$(awk -v a="$rss_early" -v b="$rss_late" -v s=$((seconds - 3)) 'BEGIN {printf "%.2f", (b + (b - a) / s * 3600) / 1024}')
echo "vrennosc-play RSS: $rss_early KiB after 2 s, $rss_late KiB after $((seconds - 1)) s; projected to an hour: $projected MiB"

# Replay timing: vrennosc-play, then the floor, each into the timing receiver.
take 1000 $timing_seconds numbered >"$work/timing"
timing() {
    "$bin/bench_replay_timing" receive "$port" 1000 1000 >"$work/timing_out" &
    local receiver=$!
    started="$started $receiver"
    for _ in $(seq 100); do grep -qs ready "$work/timing_out" && break; sleep 0.05; done
    "$@"
    wait $receiver || fail "the timing receiver failed"
    sed -n 's/^samples/samples/p' "$work/timing_out"
}
played=$(timing "$play" --to "127.0.0.1:$port" "$work/timing")
floor=$(timing "$bin/bench_replay_timing" send "$port" 1000 $((timing_seconds * 1000)))
echo "replay timing at 1,000 messages/s: vrennosc-play $played; bare loop $floor"
echo "== load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
field() { awk -v k="$2" '{for (i = 1; i < NF; i++) if ($i == k) print $(i + 1)}' <<<"$1"; }

cat <<EOF

| figure | target | measured | floor, measured beside it |
|---|---|---|---|
| monitor: CPU time per message while recording, at 10,000 messages/s | all written, none lost | $record_ns ns, of which the writer thread $writer_ns ns; $lines of $((seconds * 10000)) messages written | the monitor without --record: $plain_ns ns |
| vrennosc-play: timing error at 1,000 messages/s | p95 < 1 ms | p50 $(field "$played" p50_us) µs, p95 $(field "$played" p95_us) µs, p99 $(field "$played" p99_us) µs, max $(field "$played" max_us) µs | a bare clock_nanosleep-and-send loop: p50 $(field "$floor" p50_us) µs, p95 $(field "$floor" p95_us) µs, p99 $(field "$floor" p99_us) µs, max $(field "$floor" max_us) µs |
| vrennosc-play: RSS replaying 10,000 messages/s | bounded, for an hour | $rss_early KiB after 2 s, $rss_late KiB after $((seconds - 1)) s; $projected MiB projected to an hour | |
EOF
