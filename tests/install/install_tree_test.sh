#!/bin/sh
# `cmake --install` into a DESTDIR places exactly the bridge, the monitor, the udev rule, the user
# unit, the man pages and the copyright file, and all of them below the prefix.
# Usage: install_tree_test.sh BUILD_DIR UDEV_RULES_DIR USER_UNIT_DIR
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A folder given relative to the prefix lands below usr/; an absolute one where it says.
below_root() {
    case $1 in
    /*) echo "${1#/}" ;;
    *) echo "usr/$1" ;;
    esac
}

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
sort >"$work/expected" <<LIST
usr/bin/vrennosc
usr/bin/vrennosc-monitor
$(below_root "$2")/70-vrennosc.rules
$(below_root "$3")/vrennosc.service
usr/share/doc/vrennosc/copyright
usr/share/man/man1/vrennosc.1.gz
usr/share/man/man1/vrennosc-monitor.1.gz
LIST
(cd "$work/root" && find . ! -type d | sed 's|^\./||' | sort) >"$work/actual"

if ! diff -u "$work/expected" "$work/actual"; then
    echo "FAIL: the installed tree differs from the expected one (- expected, + installed)"
    exit 1
fi
if [ ! -x "$work/root/usr/bin/vrennosc" ]; then
    echo "FAIL: usr/bin/vrennosc is not executable"
    exit 1
fi
echo "installed tree as expected"
