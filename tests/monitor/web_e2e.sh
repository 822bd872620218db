#!/bin/bash
# vrennosc-monitor --plain --web, in one of three modes. page: bridge + virtual hub -> the page in
# headless Chromium (web_page.py, which saves a screenshot); it skips where there is no browser.
# retry: the page refused while its address holds every stream it may, then let in.
# access: a second page on the same port, the end with the reader gone, the warning for another
# address than loopback, and requests with a foreign Host or Origin, refused beside accepted ones.
# Usage: web_e2e.sh page|retry|access MONITOR BRIDGE LIBVIRTUALHUB TEST_DIR SCREENSHOT PORT [SANITIZER_RUNTIME]
#   (PORT: the bridge's)
set -eu
mode=$1 monitor=$2 bridge=$3 hub=$4 dir=$5 screenshot=$6 port=$7 runtime=${8:-}
. "$dir/../process_helpers.sh"
if [ "$mode" != access ]; then
    for needed in /usr/bin/chromium /usr/bin/chromedriver; do
        [ -x $needed ] || { echo "SKIP: the page test needs a browser, and $needed is missing"; exit 77; }
    done
    /usr/bin/python3 -c 'import selenium' 2>/dev/null || { echo "SKIP: the page test needs python3-selenium"; exit 77; }
fi

# A free port of the given socket type (TCP for the page, UDP for a second monitor).
free_port() { /usr/bin/python3 -c "import socket; s = socket.socket(type=socket.$1); s.bind(('127.0.0.1', 0)); print(s.getsockname()[1])"; }
web=$(free_port SOCK_STREAM)
"$monitor" --port $port --plain --web 127.0.0.1:$web >/dev/null 2>"$work/monitor" & monitor_pid=$! pids="$pids $!"
# The page is served only once the monitor has its UDP port.
wait_for 5 "curl -so /dev/null http://127.0.0.1:$web/" || fail "the monitor did not start: $(cat "$work/monitor")"

if [ "$mode" = page ]; then
    /usr/bin/python3 "$dir/web_page.py" page "http://127.0.0.1:$web/" "$screenshot" $monitor_pid $port >"$work/page" &
    page=$! pids="$pids $!"
    wait_for 60 "grep -q loaded '$work/page' || ! alive $page" && alive $page || fail "the page did not load: $(cat "$work/page")"
    # Started under the bridge's own name, so that the page (and its screenshot) shows it running.
    ln -s "$bridge" "$work/vrennosc"
    LD_PRELOAD="${runtime:+$runtime:}$hub" VHUB_SCENARIO="$dir/web_scenario.txt" "$work/vrennosc" >/dev/null & pids="$pids $!"
    wait $page || fail "the page: $(cat "$work/page")"
    exit 0
fi
if [ "$mode" = retry ]; then
    holders=""
    for i in $(seq 24); do # one address's share of the streams
        curl -s -N -o "$work/held$i" "http://127.0.0.1:$web/stream" & holders="$holders $!" pids="$pids $!"
    done
    wait_for 10 '[ "$(cat "$work"/held* 2>/dev/null | grep -c "\"full\":true")" -eq 24 ]' || fail "the 24 streams were not held"
    /usr/bin/python3 "$dir/web_page.py" retry "http://127.0.0.1:$web/" >"$work/page" & page=$! pids="$pids $!"
    wait_for 60 "grep -q refused '$work/page' || ! alive $page" && alive $page || fail "the page: $(cat "$work/page")"
    kill $holders
    wait $page || fail "the page: $(cat "$work/page")"
    exit 0
fi
"$monitor" --port "$(free_port SOCK_DGRAM)" --web 127.0.0.1:$web --seconds 2 >/dev/null 2>"$work/second" &&
    fail "a second page on $web did not fail"
[ $? -eq 1 ] && [ "$(wc -l <"$work/second")" -eq 1 ] || fail "second page: $(cat "$work/second")"
# civetweb ignores SIGPIPE: the monitor must still end when its reader goes.
timeout 10 sh -c "'$monitor' --port $(free_port SOCK_DGRAM) --plain --web $(free_port SOCK_STREAM) | head -n1 >/dev/null" ||
    fail "--plain --web | head did not end"

# On another address than loopback, the warning is in the header too, where the live screen shows it.
"$monitor" --port "$(free_port SOCK_DGRAM)" --plain --seconds 1 --web "0.0.0.0:$(free_port SOCK_STREAM)" \
    >"$work/open" 2>/dev/null || fail "the monitor on 0.0.0.0 failed"
grep -q '^warning: with --web 0.0.0.0:[0-9]* anyone on the network can see the sensor data$' "$work/open" ||
    fail "no warning in the header: $(cat "$work/open")"

# HTTP status of a request to the monitor's page: PATH, then curl's options.
status() { curl -s -o /dev/null --max-time 2 -w '%{http_code}' "${@:2}" "http://127.0.0.1:$web$1"; }
while read -r expected path options; do
    eval "set -- $options"
    [ "$(status "$path" "$@")" = "$expected" ] || fail "GET $path $options: $(status "$path" "$@"), not $expected"
done <<EOF_REQUESTS
200 /
200 /page.js    -H 'Host: localhost:$web'
200 /favicon.svg
200 /           -H 'Host: $(hostname):$web'
403 /           -H 'Host: attacker.example:$web'
403 /page.js    -H 'Host: 127.0.0.1'
403 /stream     -H 'Host: attacker.example:$web'
403 /stream     -H 'Origin: http://attacker.example:$web'
403 /stream     -H 'Origin: null'
405 /           -X POST
404 /missing
EOF_REQUESTS
# The stream with the page's own Origin: the first frame arrives.
curl -s -N --max-time 3 -H "Origin: http://127.0.0.1:$web" "http://127.0.0.1:$web/stream" | grep -q '"full":true' ||
    fail "the stream did not send a full frame to its own page"

# One computer holds at most 24 of the 32 streams: past that it is refused with a time to retry,
# while a page from another address still gets its stream. (Streams of the checks above may still
# count for a second, so the 30 pages here get 24 streams at most, not exactly.)
for i in $(seq 30); do curl -s -N -D "$work/head$i" -o "$work/held$i" "http://127.0.0.1:$web/stream" & pids="$pids $!"; done
streaming() { cat "$work"/held* 2>/dev/null | grep -c '"full":true'; }
refused() { cat "$work"/head* 2>/dev/null | tr -d '\r' | grep -c '^HTTP/1.1 503'; }
wait_for 10 '[ $(($(streaming) + $(refused))) -eq 30 ]' || fail "30 pages: $(streaming) streaming, $(refused) refused"
[ "$(streaming)" -le 24 ] && cat "$work"/head* | tr -d '\r' | grep -q '^Retry-After: ' ||
    fail "one address: $(streaming) streams, $(refused) refused"
curl -s -N --max-time 3 --interface 127.0.0.2 "http://127.0.0.1:$web/stream" | grep -q '"full":true' ||
    fail "a page from another address got no stream beside one address's $(streaming)"
