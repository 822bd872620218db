#!/bin/bash
# vrennosc-monitor --check against real processes: a holder of the port named with an escape
# sequence, messages from the virtual hub with no hub node, and lo down in a network namespace.
# Usage: monitor_facts.sh MONITOR BRIDGE LIBVIRTUALHUB PORT [SANITIZER_RUNTIME]
set -eu
monitor=$1 bridge=$2 hub=$3 port=$4 runtime=${5:-}
. "$(dirname "$0")/../process_helpers.sh"
no_escape() { ! grep -qP '\x1b|\x07' "$1" || fail "$2 printed a control byte: $(od -c "$1" | head)"; }

# Any local user can name a process so; printed raw, it retitles and clears the terminal. The
# name as started is longer than the kernel's 15 characters of comm, and is shown whole.
python3 -c "import os, socket
s = socket.socket(type=socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(('127.0.0.1', $port))
s.set_inheritable(True)
os.execv('/bin/sleep', ['\x1b]2;pwn\x07\x1b[2J-holder-of-the-port', '60'])" &
holder=$! pids="$pids $!"
wait_for 5 '[ "$(cat /proc/$holder/comm 2>/dev/null)" = sleep ]' || fail "the holder did not bind port $port"
"$monitor" --check --port "$port" >"$work/check" && fail "--check passed with the port held"
no_escape "$work/check" "--check"
grep -q "^FAIL *port $port: held by .*(pid $holder)" "$work/check" || fail "--check: $(cat "$work/check")"
"$monitor" --port "$port" --record "$work/take" 2>"$work/second" && fail "a monitor bound port $port beside its holder"
no_escape "$work/second" "the bind error"
grep -q "holder-of-the-port (pid $holder) holds it" "$work/second" || fail "bind error: $(cat "$work/second")"
[ ! -e "$work/take" ] || fail "a monitor that could not bind its port created its recording"
kill "$holder" && wait "$holder" || true

# Messages from the virtual hub prove the chain, though no hub node exists.
printf 'announce 1 light f\ngenerate sine 1 50 30\n' >"$work/scenario"
LD_PRELOAD="${runtime:+$runtime:}$hub" VHUB_SCENARIO="$work/scenario" "$bridge" >/dev/null &
bridge_pid=$! pids="$pids $!"
"$monitor" --check --port "$port" >"$work/check" || fail "--check failed as messages arrived: $(cat "$work/check")"
[ "$(grep -c ' hub:' "$work/check")" = 1 ] && grep -q '^note *hub: no hub node' "$work/check" ||
    fail "hub lines: $(cat "$work/check")"
# Two bridges send every message twice: both are named, though messages arrive. Bridges count by
# their name, so these two are started as vrennosc (another test's bridge beside them is named too).
# Under qemu-user every program is named after the emulator.
if [ -n "${VRENNOSC_EMULATOR:-}" ]; then
    echo "not checked: two bridges by name, as $VRENNOSC_EMULATOR names them after itself"
    kill "$bridge_pid" && wait "$bridge_pid" || true
else
    ln -s "$bridge" "$work/vrennosc"
    LD_PRELOAD="${runtime:+$runtime:}$hub" VHUB_SCENARIO="$work/scenario" "$work/vrennosc" >/dev/null &
    second=$! pids="$pids $!"
    wait_for 5 '[ "$(cat /proc/$second/comm 2>/dev/null)" = vrennosc ]' || fail "the second bridge did not start"
    LD_PRELOAD="${runtime:+$runtime:}$hub" VHUB_SCENARIO="$work/scenario" "$work/vrennosc" >/dev/null &
    third=$! pids="$pids $!"
    wait_for 5 '[ "$(cat /proc/$third/comm 2>/dev/null)" = vrennosc ]' || fail "the third bridge did not start"
    "$monitor" --check --port "$port" >"$work/check" && fail "--check passed with two bridges"
    grep "^FAIL *bridge: [0-9]* vrennosc processes run (pids [0-9, ]*)" "$work/check" | tr -c '0-9\n' ' ' >"$work/named" &&
        grep -qw "$second" "$work/named" && grep -qw "$third" "$work/named" || fail "two bridges: $(cat "$work/check")"
    kill "$bridge_pid" "$second" "$third" && wait "$bridge_pid" "$second" "$third" || true
fi

# A new network namespace has lo down; /sys would still show the host's.
if [ "$(id -u)" = 0 ]; then share="unshare -n"; else share="unshare -rn"; fi
error=$($share true 2>&1) || { echo "SKIP: lo down: this system allows no network namespace ($share): $error" && exit 77; }
$share "$monitor" --check --port "$port" >"$work/check" && fail "--check passed with lo down"
grep -q '^FAIL *loopback' "$work/check" || fail "lo down: $(cat "$work/check")"
echo "PASS"
