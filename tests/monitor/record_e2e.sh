#!/bin/bash
# Record and replay. Bridge + virtual hub -> vrennosc-monitor --record, ended by SIGTERM mid-stream,
# forwarding to a receiver that also sends exact floats, and messages that only a raw line holds (a
# space, UTF-8, a NaN payload): every message forwarded before SIGTERM is in the file, and
# vrennosc-play gives them back byte for byte, in order, with the recorded gaps; oscsendfile's
# bundles hold the same messages but the raw ones. Then --record /dev/full,
# a refused file, a FIFO, SIGHUP, a bad line, a bad option, a target that refuses, --speed and --loop.
# Usage: record_e2e.sh MONITOR PLAY BRIDGE LIBVIRTUALHUB TEST_DIR PORT [SANITIZER_RUNTIME]   (PORT: the bridge's)
set -eu
monitor=$1 play=$2 bridge=$3 hub=$4 dir=$5 port=$6 runtime=${7:-}
. "$dir/../process_helpers.sh"
# Starts capture.py with the remaining arguments, its output in $work/NAME; returns once it listens.
receive() {
    local name=$1 && shift
    python3 "$dir/capture.py" "$@" >"$work/$name" & capture=$! pids="$pids $!"
    wait_for 5 "[ -s '$work/$name' ]" || fail "the receiver $name did not start"
}
at() { head -n1 "$work/$1"; }
datagrams() { sed 1d "$work/$1" | cut -d' ' -f2; }
bridge() { LD_PRELOAD="${runtime:+$runtime:}$hub" VHUB_SCENARIO="$dir/record_scenario.txt" "$bridge" >/dev/null & bridge_pid=$! pids="$pids $!"; }
# Largest difference between the offsets from the first message of the file's time tags and of $1's arrivals.
drift() { python3 -c 'import sys
tags = [int(l[:8], 16) + int(l[9:17], 16) / 2**32 for l in open(sys.argv[1])]
times = [float(l.split()[0]) for l in open(sys.argv[2]).readlines()[1:]]
print(max(abs((b - times[0]) - (a - tags[0])) for a, b in zip(tags, times)))' "$work/rec" "$work/$1"; }

exact=2f657861637400002c666666666600003dcccccd33d6bf957f7fc99e008000003f7fffff # 0.1 1e-7 3.4e38 FLT_MIN 0.99999994
# /t "a b", /my knob -1, /température 1, /x NaN with a payload: raw lines.
raw="2f7400002c73000061206200 2f6d79206b6e6f62000000002c660000bf800000
     2f74656d70c3a97261747572650000002c6600003f800000 2f7800002c6600007fc00001"
receive forwarded 2 $port $exact $raw
"$monitor" --port $port --forward "127.0.0.1:$(at forwarded)" --record "$work/rec" --plain >"$work/tables" &
monitor_pid=$! pids="$pids $!"
wait_for 5 port_bound || fail "the monitor did not bind port $port"
bridge
wait_for 10 '[ "$(wc -l <"$work/rec")" -ge 10 ]' && kill -TERM $monitor_pid # mid-stream
wait $monitor_pid || fail "the monitor exited $? after SIGTERM"
kill $bridge_pid && wait $capture
grep -q "recording .*/rec: [0-9]* messages, [0-9.]* [KMi]*B$" "$work/tables" || fail "header: $(grep recording "$work/tables")"
datagrams forwarded >"$work/recordable"
[ "$(wc -l <"$work/rec")" -eq "$(wc -l <"$work/recordable")" ] && [ "$(wc -l <"$work/rec")" -ge 10 ] ||
    fail "$(wc -l <"$work/rec") lines recorded of $(wc -l <"$work/recordable") messages forwarded"
grep -q ' #2f7672656e6e2f41312d6d79206b6e6f62' "$work/rec" && grep -q ' #2f7672656e6e2f41322d74656d70c3a9' "$work/rec" ||
    fail "the hub's my knob and température are not in the take"
[ "$(grep -c ' #' "$work/rec")" -ge 6 ] || fail "raw lines: $(grep ' #' "$work/rec")"
grep -qx '[0-9a-f.]* /exact fffff 0.1 1e-07 3.4e+38 1.1754944e-38 0.99999994' "$work/rec" || fail "exact floats: $(head -n1 "$work/rec")"

receive played 2
"$play" --to "127.0.0.1:$(at played)" "$work/rec" 2>"$work/err" && [ ! -s "$work/err" ] || fail "play: $(cat "$work/err")"
wait $capture
diff <(datagrams played) "$work/recordable" >/dev/null || fail "vrennosc-play sent other datagrams than the bridge's"
awk -v d="$(drift played)" 'BEGIN {exit !(d < 0.3)}' || fail "played $(drift played) s away from the recorded time"
receive bundled 2
grep -v ' #' "$work/rec" >"$work/words"
oscsendfile localhost "$(at bundled)" "$work/words" >/dev/null 2>&1
wait $capture
# oscsendfile puts messages of one time tag into one bundle: their elements in order, each after its size.
python3 -c 'import sys
for d in map(bytes.fromhex, sys.stdin.read().split()):
    assert d[:8] == b"#bundle\0", d
    at = 16
    while at < len(d): n = int.from_bytes(d[at:at + 4], "big"); print(d[at + 4:at + 4 + n].hex()); at += 4 + n' \
    < <(datagrams bundled) | diff - <(grep -v -e ^2f7400002c73 -e ^2f6d79 -e ^2f74656d70 -e ^2f7800002c66 -e ^2f7672656e6e2f41312d6d79 \
    -e ^2f7672656e6e2f41322d74656d70 "$work/recordable") >/dev/null || fail "oscsendfile's bundles hold other messages than the bridge's"

"$monitor" --port $port --record "$work/rec" 2>"$work/err" && fail "an existing recording was not refused"
[ $? -eq 2 ] && [ "$(wc -l <"$work/err")" -eq 1 ] || fail "refusing an existing recording: $(cat "$work/err")"
"$monitor" --port $port --record /dev/full --plain --seconds 3 >"$work/tables" &
monitor_pid=$!
wait_for 5 port_bound && bridge
wait $monitor_pid || fail "with /dev/full the monitor exited $?"
stopped=$(grep -m1 "recording stopped: No space left on device" -A1 "$work/tables" | sed -n 's/^messages \([0-9]*\) .*/\1/p')
[ -n "$stopped" ] && [ "$(sed -n 's/^messages \([0-9]*\) .*/\1/p' "$work/tables" | tail -n1)" -gt "$stopped" ] ||
    fail "with /dev/full: no 'recording stopped', or no messages shown after it"

# A FIFO without a reader is refused at once; a reader that stops reading stops the recording, not
# the monitor, which still ends soon after SIGTERM; SIGHUP ends it too, with every message on disk.
flood() { python3 -c 'import socket, sys
s = socket.socket(type=socket.SOCK_DGRAM)
for i in range(int(sys.argv[2])): s.sendto(b"/flood\0\0,i\0\0" + i.to_bytes(4, "big"), ("127.0.0.1", int(sys.argv[1])))' $port "$1"; }
mkfifo "$work/fifo"
timeout 5 "$monitor" --port $port --record "$work/fifo" 2>"$work/err" && fail "a FIFO without a reader was taken"
[ $? -eq 1 ] && grep -q "it is a FIFO that no program reads" "$work/err" || fail "FIFO without a reader: $(cat "$work/err")"
sleep 60 <>"$work/fifo" & pids="$pids $!"
"$monitor" --port $port --record "$work/fifo" --plain >"$work/tables" & monitor_pid=$! pids="$pids $!"
wait_for 5 port_bound || fail "the monitor recording to a FIFO did not bind port $port"
flood 4000
wait_for 20 'grep -q "recording stopped: the reader takes no more" "$work/tables"' || fail "FIFO: $(tail -n3 "$work/tables")"
kill -TERM $monitor_pid
wait_for 3 '! alive $monitor_pid' || fail "the monitor did not end after SIGTERM while its reader stood still"
wait $monitor_pid || fail "the monitor exited $? after SIGTERM"
rm -f "$work/rec"
"$monitor" --port $port --record "$work/rec" --plain >"$work/tables" & monitor_pid=$! pids="$pids $!"
wait_for 5 port_bound && flood 10
wait_for 10 'grep -q "^messages 10 " "$work/tables"' && kill -HUP $monitor_pid && wait $monitor_pid ||
    fail "SIGHUP: the monitor exited $?, or never counted 10 messages"
[ "$(grep -c ' /flood i ' "$work/rec")" -eq 10 ] || fail "after SIGHUP $(wc -l <"$work/rec") messages in the take, not 10"

printf '00000001.00000000 /s i 1\n00000001.1999999a /s i 2\n00000001.66666666 /s i 3\n' >"$work/take"
printf '00000001.00000000 /s i 1\n00000001.00000000 /s f x\n' >"$work/bad"
receive refused 1
"$play" --to "127.0.0.1:$(at refused)" "$work/bad" 2>"$work/err" && fail "a bad line was played"
[ $? -eq 1 ] && grep -q "$work/bad:2: argument 1 'x' is not a float" "$work/err" || fail "bad line: $(cat "$work/err")"
"$play" --speed 0 "$work/take" 2>"$work/err" && fail "--speed 0 was taken"
[ $? -eq 2 ] && grep -q '^Usage' "$work/err" || fail "bad option: $(cat "$work/err")"
# A take is read twice: a pipe, a FIFO or standard input is refused, never played as empty.
for source in "/dev/stdin" "-" "$work/fifo"; do
    cat "$work/take" | timeout 5 "$play" --to "127.0.0.1:$(at refused)" "$source" 2>"$work/err" && fail "$source was played"
    [ $? -eq 1 ] && grep -q "save it to a file first" "$work/err" || fail "$source: $(cat "$work/err")"
done
wait $capture && [ "$(datagrams refused)" = "" ] || fail "something was sent from a file with a bad line, or a pipe"
# A take cut short: its last line is named and not sent, and --append will not glue onto it; nor
# will it add to a file that is not a take.
printf '00000001.00000000 /s i 1\n00000001.00000000 /s i 12' >"$work/short"
receive cut 1
"$play" --to "127.0.0.1:$(at cut)" "$work/short" 2>"$work/err" && wait $capture &&
    grep -q "short:2: the last line has no line end" "$work/err" || fail "a cut take: $(cat "$work/err")"
[ "$(datagrams cut)" = 2f7300002c69000000000001 ] || fail "a cut take sent $(datagrams cut)"
echo "some notes" >"$work/notes"
for file in short notes; do
    "$monitor" --port $port --record "$work/$file" --append 2>"$work/err" && fail "--append added to $file"
    [ $? -eq 2 ] && grep -q "cannot add to" "$work/err" || fail "--append to $file: $(cat "$work/err")"
done
"$play" --speed 4 --to "127.0.0.1:$(at refused)" "$work/take" 2>"$work/err" && # nobody listens there now
    grep -q "of 3 messages not sent (Connection refused)" "$work/err" || fail "a refusing target: $(cat "$work/err")"
receive fast 1
"$play" --speed 2 --to "127.0.0.1:$(at fast)" "$work/take" && wait $capture
receive looped 1
"$play" --loop --speed 4 --to "127.0.0.1:$(at looped)" "$work/take" & player=$!
sleep 1 && kill -TERM $player && wait $player && wait $capture
# Gaps of 0.1 s, 0.3 s and, looping, the first gap again; --speed 2 halves them, --speed 4 quarters them.
python3 -c 'import sys
fast, looped = ([l.split() for l in open(f).readlines()[1:]] for f in sys.argv[1:])
assert len(fast) == 3 and 0.15 < float(fast[2][0]) - float(fast[0][0]) < 0.35, fast
values = [d[-8:] for t, d in looped]
assert len(looped) >= 9 and values == [("%08x" % (i % 3 + 1)) for i in range(len(values))], values
gap = lambda i: float(looped[i + 1][0]) - float(looped[i][0])
ratio = sum(gap(i) for i in range(2, len(looped) - 1, 3)) / sum(gap(i) for i in range(1, len(looped) - 1, 3))
assert 0.15 < ratio < 0.6, ratio' "$work/fast" "$work/looped" || fail "--speed or --loop played other timing"
