#!/bin/bash
# The packages' round trip: builds vrennosc (the bridge) and vrennosc-tools, which lintian must pass
# without an error or a warning, the bridge's needing none of the tools' libraries; installs them
# with dpkg, checks the installed bridge's start line and user unit, that scripts/uninstall.sh given
# the packages' files leaves them, and that dpkg -r leaves none. Never runs over an installed
# vrennosc; a trap purges what it installed.
# Needs root, and port 9876 free (the installed bridge sends there); outside CI it skips without.
# A package for another architecture than this machine's is checked, not installed.
# Usage: debian_package_test.sh BUILD_DIR [ARCHITECTURE]
set -eu
here=$(dirname "$0")
build=$1 architecture=${2:-$(dpkg --print-architecture)} work="" bridge="" installed=no
fail() { echo "FAIL: $*" >&2; exit 1; }
cannot_run() { [ "${CI:-}" != true ] || fail "$1"; echo "SKIP: $1"; exit 77; }
[ "$(id -u)" -eq 0 ] || cannot_run "installing a package needs root"
! grep -qi ':2694 [0-9A-F]*:0000 07' /proc/net/udp /proc/net/udp6 || cannot_run "port 9876 is in use, and the installed bridge would send there"
for tool in dpkg-shlibdeps systemd-analyze lintian; do command -v $tool >/dev/null || cannot_run "no $tool"; done
for name in vrennosc vrennosc-tools; do
    if dpkg-query -W -f '${db:Status-Status}' $name 2>/dev/null | grep -qv '^not-installed$'; then
        cannot_run "$name is already installed on this machine; the test would replace it"
    fi
done
work=$(mktemp -d) # only once the test runs, so that a skip leaves nothing behind
trap 'set +e; [ -z "$bridge" ] || kill "$bridge"; [ $installed = no ] || dpkg --purge vrennosc-tools vrennosc >/dev/null; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || fail "cpack: $(cat "$work/cpack.log")"
bridge_deb=$(ls "$work"/vrennosc_*.deb) tools_deb=$(ls "$work"/vrennosc-tools_*.deb)
# It says it runs as root on standard error; the tags go to standard output.
lintian --fail-on error,warning "$bridge_deb" "$tools_deb" >"$work/lintian" 2>/dev/null || fail "lintian: $(cat "$work/lintian")"
for deb in "$bridge_deb" "$tools_deb"; do
    dpkg-deb -c "$deb" | awk '{ print $6 }' | sed -n 's|^\.\(/.*[^/]\)$|\1|p'
    [ "$(dpkg-deb -f "$deb" Architecture)" = "$architecture" ] || fail "$deb is for $(dpkg-deb -f "$deb" Architecture)"
done >"$work/files"
while read -r file; do
    [ ! -e "$file" ] || cannot_run "$file exists already; the test would overwrite it"
done <"$work/files"
depends=$(dpkg-deb -f "$bridge_deb" Depends)
[[ $depends == *libhidapi-hidraw0* && $depends == *libc6* ]] || fail "the bridge's Depends ($depends) lacks hidapi or the C library"
[[ $depends != *liblo* && $depends != *ncurses* && $depends != *civetweb* && $depends != *avahi* ]] ||
    fail "the bridge's Depends ($depends) names a library of the tools"
depends=$(dpkg-deb -f "$tools_deb" Depends)
[[ $depends == *liblo7* && $depends == *libncursesw6* ]] || fail "the tools' Depends ($depends) lacks liblo or ncursesw"
grep -qx /usr/share/doc/vrennosc/copyright "$work/files" && grep -qx /usr/share/doc/vrennosc-tools/copyright "$work/files" ||
    fail "a package carries no copyright file"
grep -qx /usr/share/doc/vrennosc/examples/pd/vrennosc.pd "$work/files" || fail "the bridge's package carries no examples"
if [ "$architecture" != "$(dpkg --print-architecture)" ]; then
    echo "the $architecture packages pass lintian and name their libraries; this machine cannot install them"
    exit 0
fi

installed=yes
dpkg -i "$bridge_deb" "$tools_deb" >/dev/null || fail "dpkg -i failed"
[ -x /usr/bin/vrennosc-monitor ] && [ -x /usr/bin/vrennosc-play ] || fail "/usr/bin/vrennosc-monitor or vrennosc-play is not in place"
/usr/bin/vrennosc >"$work/out" 2>&1 &
bridge=$!
for _ in $(seq 50); do [ ! -s "$work/out" ] || break; sleep 0.1; done
sleep 0.2 # anything printed after the start line shows too
kill "$bridge" && bridge=""
[ "$(cat "$work/out")" = "Sending OSC messages to port 9876 on local host." ] || fail "the installed bridge printed '$(cat "$work/out")'"
# Warnings count: each one is a setting that systemd ignores.
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR=$work/runtime systemd-analyze --user --man=no verify "$(grep '/vrennosc.service$' "$work/files")" 2>"$work/verify" &&
    [ ! -s "$work/verify" ] || fail "systemd-analyze on the user unit: $(cat "$work/verify")"

cp "$work/files" "$work/installed-files.txt"
"$here/../../scripts/uninstall.sh" "$work" >/dev/null
while read -r file; do [ -e "$file" ] || fail "scripts/uninstall.sh removed the package's $file"; done <"$work/files"

dpkg -r vrennosc-tools vrennosc >/dev/null || fail "dpkg -r failed"
installed=no
while read -r file; do [ ! -e "$file" ] || fail "$file is left after dpkg -r"; done <"$work/files"
echo "the packages install, run and remove cleanly, and scripts/uninstall.sh leaves them alone"
