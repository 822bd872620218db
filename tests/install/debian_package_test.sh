#!/bin/sh
# Builds the Debian package, installs it on this machine with dpkg, runs the installed bridge,
# verifies the installed user unit, and removes the package again. The machine is left as it
# was: the test refuses to run over an installed vrennosc, and a trap purges the package it
# installed whatever happens. Needs root; under CI (CI=true) it must run.
# Usage: debian_package_test.sh BUILD_DIR SANITIZED
set -eu
build=$1
start_line="Sending OSC messages to port 9876 on local host."

skip() {
    echo "SKIP: $1"
    exit 77
}
cannot_run() {
    [ "${CI:-}" != true ] || { echo "FAIL: $1"; exit 1; }
    skip "$1"
}
fail() {
    echo "FAIL: $1"
    exit 1
}

case $2 in
ON | on | TRUE | true | 1) skip "the package is built and checked from the build without sanitizers" ;;
esac
[ "$(id -u)" -eq 0 ] || cannot_run "installing a package needs root"
command -v dpkg-shlibdeps >/dev/null || cannot_run "dpkg-shlibdeps (dpkg-dev) is not installed"
if dpkg-query -W -f '${db:Status-Status}' vrennosc 2>/dev/null | grep -qv '^not-installed$'; then
    cannot_run "vrennosc is already installed on this machine; the test would replace it"
fi

work=$(mktemp -d)
installed=no
bridge=
cleanup() {
    [ -z "$bridge" ] || kill "$bridge" 2>/dev/null || true
    [ $installed = no ] || dpkg --purge vrennosc >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    fail "cpack could not build the package"
}
deb=$(ls "$work"/vrennosc_*.deb)
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed -n 's|^\.\(/.*[^/]\)$|\1|p' >"$work/files"
while read -r file; do
    [ ! -e "$file" ] || cannot_run "$file exists already; the test would overwrite it"
done <"$work/files"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
case $depends in
*libhidapi-hidraw0*libc6* | *libc6*libhidapi-hidraw0*) ;;
*) fail "the package's dependencies do not name hidapi and the C library" ;;
esac
echo "$depends" | grep liblo7 | grep -q libncursesw6 || fail "the dependencies do not name the monitor's liblo and ncursesw"
grep -qx /usr/share/doc/vrennosc/copyright "$work/files" || fail "the package carries no copyright file"

installed=yes
dpkg -i "$deb" || fail "dpkg -i failed"
[ -x /usr/bin/vrennosc ] && [ -x /usr/bin/vrennosc-monitor ] || fail "/usr/bin/vrennosc or vrennosc-monitor is not in place"

# The bridge runs until killed: wait for its start line, then stop it.
/usr/bin/vrennosc >"$work/out" 2>&1 &
bridge=$!
for _ in $(seq 50); do
    [ ! -s "$work/out" ] || break
    sleep 0.1
done
sleep 0.2
kill "$bridge"
wait "$bridge" 2>/dev/null || true
bridge=
[ "$(cat "$work/out")" = "$start_line" ] || fail "the installed bridge printed '$(cat "$work/out")'"

# Warnings count: each one means a setting that systemd ignores.
if command -v systemd-analyze >/dev/null; then
    mkdir -m 700 "$work/runtime"
    unit=$(grep "/vrennosc.service\$" "$work/files")
    if ! XDG_RUNTIME_DIR="$work/runtime" systemd-analyze --user --man=no verify "$unit" 2>"$work/verify" ||
        [ -s "$work/verify" ]; then
        cat "$work/verify"
        fail "systemd-analyze rejects the installed user unit"
    fi
else
    echo "systemd-analyze is not installed: the user unit is not verified"
fi

dpkg -r vrennosc || fail "dpkg -r failed"
status=$(dpkg-query -W -f '${db:Status-Status}' vrennosc 2>/dev/null || echo not-installed)
[ "$status" = not-installed ] || fail "after dpkg -r the package is '$status'"
while read -r file; do
    [ ! -e "$file" ] || fail "$file is left after dpkg -r"
done <"$work/files"
installed=no
echo "the package installs, runs and removes cleanly"
