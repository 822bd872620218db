#!/bin/bash
# A step of the wall clock while recording, as when NTP sets a board's clock after boot: the take's
# time tags keep the true gap. libfaketime moves the monitor's wall clock a day on between two
# messages, while its monotonic clock runs on.
# Usage: clock_step_e2e.sh MONITOR TEST_DIR PORT [SANITIZER_RUNTIME]
set -eu
monitor=$1 dir=$2 port=$3 runtime=${4:-}
. "$dir/../process_helpers.sh"
faketime=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n1 || true)
[ -n "$faketime" ] || { echo "SKIP: libfaketime is not installed" && exit 77; }
[ -z "${VRENNOSC_EMULATOR:-}" ] || { echo "SKIP: libfaketime is built for this machine, not for $VRENNOSC_EMULATOR" && exit 77; }

echo +0 >"$work/clock"
LD_PRELOAD="${runtime:+$runtime:}$faketime" FAKETIME_TIMESTAMP_FILE="$work/clock" FAKETIME_NO_CACHE=1 \
    FAKETIME_DONT_FAKE_MONOTONIC=1 "$monitor" --port $port --record "$work/take" --plain >/dev/null &
monitor_pid=$! pids="$pids $!"
wait_for 5 port_bound || fail "the monitor did not bind port $port"
lines() { wc -l <"$work/take" 2>/dev/null || echo 0; }
printf '/step\0\0\0,\0\0\0' >/dev/udp/127.0.0.1/$port
wait_for 5 '[ "$(lines)" -ge 1 ]' || fail "the first message was not recorded"
echo +1d >"$work/clock"
printf '/step\0\0\0,\0\0\0' >/dev/udp/127.0.0.1/$port
wait_for 5 '[ "$(lines)" -ge 2 ]' || fail "the second message was not recorded"
kill -TERM $monitor_pid && wait $monitor_pid || fail "the monitor exited $? after SIGTERM"
gap=$(python3 -c 'import sys
tags = [int(l[:8], 16) + int(l[9:17], 16) / 2**32 for l in open(sys.argv[1])]
print(tags[1] - tags[0])' "$work/take")
awk -v gap="$gap" 'BEGIN {exit !(gap >= 0 && gap < 10)}' || fail "the take's gap is $gap s across the clock's step"
echo "PASS: $gap s between the messages across a step of a day"
