#!/bin/bash
# vrennosc-monitor --oscquery found on the network, as OSCQuery programs find it: in a network
# namespace of its own with a private D-Bus and avahi-daemon, the npm package oscquery discovers
# the service and reads every address the virtual hub plays; avahi-browse finds it too.
# Needs root (avahi-daemon), a network namespace and the npm registry; skips without them.
# Usage: discovery_e2e.sh MONITOR BRIDGE LIBVIRTUALHUB TEST_DIR PORT [SANITIZER_RUNTIME]
set -eu
dir=$4
skip() { echo "SKIP: $*"; exit 77; }
[ "$(id -u)" = 0 ] || skip "avahi-daemon runs only as root"
for program in avahi-daemon avahi-browse dbus-daemon node npm unshare ip; do
    command -v $program >/dev/null || skip "the discovery test needs $program"
done
unshare -n true 2>/dev/null || skip "no network namespace may be made here"
# The test's avahi-daemon keeps its pid file apart in a mount namespace, where there is one; without
# one it cannot start beside the system's.
if unshare -m true 2>/dev/null; then apart=-m; else apart=""; fi
[ -n "$apart" ] || ! avahi-daemon -c 2>/dev/null || skip "an avahi-daemon runs already, and a second one would not start"
modules=$(mktemp -d)
trap 'rm -rf "$modules"' EXIT
(cd "$modules" && timeout 120 npm install --no-audit --no-fund --no-save oscquery@1.1.1 >npm.log 2>&1) ||
    skip "npm could not install oscquery: $(grep -m 2 "ERR!" "$modules/npm.log" | tr "\n" " ")"
unshare -n $apart bash "$dir/discovery_netns.sh" "$apart" "$modules/node_modules" "$@"
