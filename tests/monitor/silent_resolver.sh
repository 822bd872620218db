#!/bin/bash
# A name server that never answers holds up neither the start nor the end of the monitor: in mount
# and network namespaces of its own, with lo up and /etc/resolv.conf pointing at a silent
# 127.0.0.1:53. Where such namespaces cannot be made (a chroot, many containers), it skips.
# Usage: silent_resolver.sh MONITOR PORT
set -eu
monitor=$1 port=$2
. "$(dirname "$0")/../process_helpers.sh"
if [ "$(id -u)" = 0 ]; then share="unshare -mn"; else share="unshare -rmn"; fi
error=$($share true 2>&1) || { echo "SKIP: this system allows no mount and network namespaces ($share): $error"; exit 77; }
echo "nameserver 127.0.0.1" >"$work/resolv.conf"
# /proc/net/udp shows the namespace's own sockets: the monitor starts once the server is bound.
timeout 10 $share bash -c "ip link set lo up && mount --bind '$work/resolv.conf' /etc/resolv.conf || exit 1
    python3 -c 'import socket, time; s = socket.socket(type=socket.SOCK_DGRAM); s.bind((\"127.0.0.1\", 53)); time.sleep(20)' &
    server=\$!
    for _ in \$(seq 100); do grep -q ':0035 ' /proc/net/udp && break; sleep 0.05; done
    '$monitor' --port $port --forward slow.example.org:9 --plain --seconds 1; status=\$?
    kill \$server; exit \$status" >"$work/slow" ||
    fail "a silent name server held up the monitor: $(tail -n3 "$work/slow")"
grep -q '^forward slow.example.org:9 unresolved$' "$work/slow" || fail "silent name server: $(cat "$work/slow")"
