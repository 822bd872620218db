#!/bin/bash
# examples/oscquery, the browser sketch, served as its README says and opened in headless Chromium
# (sketch_page.py) while the bridge with the virtual hub sends through vrennosc-monitor --oscquery.
# Usage: sketch_e2e.sh MONITOR BRIDGE LIBVIRTUALHUB TEST_DIR EXAMPLE_DIR PORT [SANITIZER_RUNTIME]
set -eu
monitor=$1 bridge=$2 hub=$3 dir=$4 example=$5 port=$6 runtime=${7:-}
. "$dir/../process_helpers.sh"
for needed in /usr/bin/chromium /usr/bin/chromedriver; do
    [ -x $needed ] || { echo "SKIP: the sketch test needs a browser, and $needed is missing"; exit 77; }
done
/usr/bin/python3 -c 'import selenium' 2>/dev/null || { echo "SKIP: the sketch test needs python3-selenium"; exit 77; }
free_port() { /usr/bin/python3 -c "import socket; s = socket.socket(); s.bind(('127.0.0.1', 0)); print(s.getsockname()[1])"; }
query=$(free_port) page=$(free_port)

/usr/bin/python3 -m http.server $page --bind 127.0.0.1 --directory "$example" >/dev/null 2>&1 & pids="$pids $!"
"$monitor" --port $port --plain --oscquery $query --allow-origin http://localhost:$page >"$work/monitor" 2>&1 & pids="$pids $!"
wait_for 5 "curl -so /dev/null http://127.0.0.1:$query/ && curl -so /dev/null http://127.0.0.1:$page/" ||
    fail "the monitor or the page's server did not start: $(cat "$work/monitor")"
LD_PRELOAD="${runtime:+$runtime:}$hub" VHUB_SCENARIO="$dir/oscquery_scenario.txt" "$bridge" >/dev/null & pids="$pids $!"
/usr/bin/python3 "$dir/sketch_page.py" "http://localhost:$page/?server=127.0.0.1:$query" $port
