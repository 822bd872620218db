#!/bin/bash
# The bridge alone, as a packager builds it: configured without the monitor or the tests, it looks
# for no liblo, ncurses or civetweb, and builds and installs the bridge, udev rule, unit and man page.
# Usage: bridge_alone_test.sh SOURCE_DIR SCRATCH_BUILD_DIR CMAKE_OPTION... (the compiler or toolchain)
set -eu
source=$1 build=$2
shift 2
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$build"
cmake -S "$source" -B "$build" "$@" -DVRENNOSC_BUILD_MONITOR=OFF -DBUILD_TESTING=OFF >"$build.log" 2>&1 ||
    fail "configure: $(cat "$build.log")"
! grep -iE 'liblo|ncurses|civetweb' "$build.log" || fail "the configure looked for the monitor's libraries"
! grep -iE '^[^/#]*(liblo|ncurses|civetweb)' "$build/CMakeCache.txt" || fail "the cache holds the monitor's libraries"
cmake --build "$build" -j 2 --target vrennosc vrennosc_compressed_docs >"$build.log" 2>&1 || fail "build: $(cat "$build.log")"
DESTDIR=$build/root cmake --install "$build" --prefix /usr >/dev/null
installed=$(cd "$build/root" && find . -type f -printf '%f\n' | LC_ALL=C sort | tr '\n' ' ')
[ "$installed" = "70-vrennosc.rules changelog.gz copyright vrennosc vrennosc.1.gz vrennosc.csd vrennosc.pd vrennosc.scd vrennosc.service " ] ||
    fail "installed: $installed"
echo "the bridge alone configures, builds and installs without liblo or ncurses"
