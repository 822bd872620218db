#!/bin/bash
# One receiver example, run headless by its real program, hears the unchanged bridge play a
# scenario through the preloaded virtual hub, and must print exactly the expected lines, in order.
# The README's quote of the example must also be found in it, and the README's and docs/' relative
# links must lead somewhere.
# Usage: run_example.sh pd|supercollider|csound EXAMPLE EXPECTED BRIDGE LIBVIRTUALHUB SCENARIO
set -eu
kind=$1 example=$2 expected=$3 bridge=$4 hub=$5 scenario=$6
port=9876
. "$(dirname "$0")/../process_helpers.sh"
cannot_run() { [ "${CI:-}" != true ] || fail "$1"; echo "SKIP: $1"; exit 77; }

# The quote is the first code block after the README line that names the example's folder. Each
# of its lines is a line of the file; in the Pd diagram, each [box] is a box of the patch.
quote=$(awk -v name="examples/$kind/" 'index($0, name) { named = 1 }
    named && /^```/ { if (open) exit; open = 1; next } open && NF' "$(dirname "$0")/../../README.md")
match=-qxF
[ "$kind" != pd ] || { quote=$(grep -o '\[[^]]*\]' <<<"$quote" | sed 's/^\[\(.*\)\]$/ \1;/'); match=-qF; }
[ -n "$quote" ] || fail "the README quotes nothing from $example"
while IFS= read -r line; do
    grep $match -- "$line" "$example" || fail "the README quotes a line that $example lacks: $line"
done <<<"$quote"

# Every relative link of the README and docs/ leads to a file or folder of the tree.
top=$(dirname "$0")/../..
for doc in "$top/README.md" "$top"/docs/*.md; do
    while IFS= read -r target; do
        [ -e "$(dirname "$doc")/$target" ] || fail "${doc#"$top/"} links to $target, which does not exist"
    done < <(grep -o '](\([^)#]*\)' "$doc" | cut -c3- | grep -v -e '^$' -e '^[a-z]*:' || true)
done

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
command -v "${receiver[0]}" >/dev/null || cannot_run "${receiver[0]} is not installed"
port_bound && cannot_run "port $port is in use: another receiver listens there"

printed() { grep -aE '^(vrenn: |/vrenn/|vrennosc: )' "$work/out" || true; }
all_printed() { [ "$(printed | wc -l)" -ge "$(wc -l <"$expected")" ]; }

"${receiver[@]}" >"$work/out" 2>&1 &
pids="$pids $!"
wait_for 60 'grep -q "listening on port $port" "$work/out"' || { cat "$work/out"; fail "${receiver[0]} posted no ready line"; }

# The hub's scenario clock starts at the bridge's first hid_open, once the receiver listens.
LD_PRELOAD="$hub" VHUB_SCENARIO="$scenario" "$bridge" >/dev/null &
pids="$pids $!"
# Surplus lines would show up in the half second after the last expected one.
wait_for 10 all_printed || true
sleep 0.5
printed | diff -u "$expected" - || { cat "$work/out"; fail "other lines than expected (- expected, + printed)"; }
echo "${receiver[0]} printed the $(wc -l <"$expected") expected lines"
