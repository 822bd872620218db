#!/bin/bash
# One receiver example, run headless by its real program, hears the unchanged bridge play a
# scenario through the preloaded virtual hub, and must print exactly the expected lines, in order.
# Usage: run_example.sh pd|supercollider|csound EXAMPLE EXPECTED BRIDGE LIBVIRTUALHUB SCENARIO
set -eu
kind=$1 example=$2 expected=$3 bridge=$4 hub=$5 scenario=$6
port=9876
. "$(dirname "$0")/../bridge_run.sh"

cannot_run() {
    [ "${CI:-}" != true ] || fail "$1"
    echo "SKIP: $1"
    exit 77
}

# HOME is the scratch folder, so that no startup file or preference of the user's comes along.
export HOME="$work"
case $kind in
pd) receiver=(pd -nogui -noaudio -nomidi -noprefs -stderr -open "$example") ;;
supercollider)
    # sclang's web engine aborts as root unless its sandbox is off.
    [ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
    export QT_QPA_PLATFORM=offscreen
    receiver=(sclang -D "$example") ;;
csound) receiver=(csound -odac -+rtaudio=null -+msg_color=0 "$example") ;;
esac
program=${receiver[0]}
command -v "$program" >/dev/null || cannot_run "$program is not installed"
port_bound && cannot_run "port $port is in use: another receiver listens there"

printed() { grep -aE '^(vrenn: |/vrenn/|vrennosc: )' "$work/out" || true; }
ready() { grep -q "listening on port $port" "$work/out"; }
all_printed() { [ "$(printed | wc -l)" -ge "$(wc -l <"$expected")" ]; }

"${receiver[@]}" >"$work/out" 2>&1 &
pids="$pids $!"
wait_for 60 ready || { cat "$work/out"; fail "$program posted no ready line"; }

# The hub's scenario clock starts at the bridge's first hid_open, once the receiver listens.
LD_PRELOAD="$hub" VHUB_SCENARIO="$scenario" "$bridge" >/dev/null &
pids="$pids $!"
# Surplus lines would show up in the half second after the last expected one.
wait_for 10 all_printed || true
sleep 0.5
if ! printed | diff -u "$expected" -; then
    cat "$work/out"
    fail "$program printed other lines than expected (diff above: - expected, + printed)"
fi
echo "$program printed the $(wc -l <"$expected") expected lines"
