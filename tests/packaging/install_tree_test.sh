#!/bin/bash
# The source install, into a DESTDIR: exactly the expected files; the man pages render without a
# groff warning, with a NAME line that whatis can index; the udev rule matches the devices of
# udev-devices.txt as listed there and limits the node's mode. Then scripts/uninstall.sh removes
# its files and the folders the install created, and nothing else.
# Usage: install_tree_test.sh BUILD_DIR UDEV_RULES_DIR USER_UNIT_DIR
set -eu
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
build=$1
root=$work/root
below_root() { if [[ $1 == /* ]]; then echo "${1#/}"; else echo "usr/$1"; fi; }
rules=$root/$(below_root "$2")/70-vrennosc.rules
listing() { (cd "$root" && find . "$@" | sed 's|^\./||' | sort); }

# A folder that exists before the install, with a file of someone else's.
mkdir -p "$root/usr/bin" && touch "$root/usr/bin/other"
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
expected="usr/bin/other usr/bin/vrennosc usr/bin/vrennosc-monitor usr/bin/vrennosc-play $(below_root "$2")/70-vrennosc.rules $(below_root "$3")/vrennosc.service
usr/share/doc/vrennosc/changelog.gz usr/share/doc/vrennosc/copyright usr/share/man/man1/vrennosc.1.gz usr/share/man/man1/vrennosc-monitor.1.gz usr/share/man/man1/vrennosc-play.1.gz usr/share/doc/vrennosc/examples/csound/vrennosc.csd
usr/share/doc/vrennosc/examples/pd/vrennosc.pd usr/share/doc/vrennosc/examples/supercollider/vrennosc.scd
usr/share/doc/vrennosc-tools/changelog.gz usr/share/doc/vrennosc-tools/copyright
usr/share/doc/vrennosc-tools/examples/oscquery/README.md usr/share/doc/vrennosc-tools/examples/oscquery/index.html
usr/share/doc/vrennosc-tools/examples/oscquery/sketch.js"
diff -u <(tr ' ' '\n' <<<"$expected" | sort) <(listing ! -type d) || fail "the installed tree differs (- expected, + installed)"
[ -x "$root/usr/bin/vrennosc" ] || fail "usr/bin/vrennosc is not executable"

for name in vrennosc vrennosc-monitor vrennosc-play; do
    page=$root/usr/share/man/man1/$name.1.gz
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=w -l -Tutf8 "$page" 2>"$work/err" | grep -q . || fail "man renders nothing: $(cat "$work/err")"
    [ ! -s "$work/err" ] || fail "rendering the $name man page gave warnings: $(cat "$work/err")"
    lexgrog "$page" | grep -q "\"$name - " || fail "lexgrog finds no NAME line for $name"
done

# The rule's keys, one per line: KEY<tab>OPERATOR<tab>VALUE.
rule_keys() {
    grep -v '^\s*#' "$rules" | grep -oE '[A-Za-z{}_]+[!=+:]?="[^"]*"' |
        sed -E 's/^([A-Za-z{}_]+)([!=+:]?=)"(.*)"$/\1\t\2\t\3/'
}
# True when every == and != key of the rule holds for the device whose properties (KEY=VALUE) follow.
rule_matches() {
    local key op pattern hit property
    while IFS=$'\t' read -r key op pattern; do
        hit=no
        for property; do
            if [[ $property == "$key="* && ${property#"$key="} == $pattern ]]; then hit=yes; fi
        done
        if [[ $op == "==" && $hit == no || $op == "!=" && $hit == yes ]]; then return 1; fi
    done < <(rule_keys | grep -P '\t[!=]=\t')
}
while IFS='|' read -r wanted what properties; do
    [[ $wanted == \#* ]] && continue
    # shellcheck disable=SC2086 # a list of properties
    if rule_matches $properties; then got=match; else got="no match"; fi
    [ "$got" = "$wanted" ] || fail "udev rule, $what: expected $wanted, got $got"
done <"$here/udev-devices.txt"
[[ $(rule_keys | awk -F '\t' '$1 == "MODE" { print $3 }') =~ ^0?6[06]0$ ]] || fail "the rule's MODE opens the node beyond its owner and group"

"$here/../../scripts/uninstall.sh" "$build" >/dev/null
[ "$(listing | tr '\n' ' ')" = ". usr usr/bin usr/bin/other " ] || fail "after the uninstall: $(listing | tr '\n' ' ')"

# The bridge's component alone: everything above but the tools, their pages and their docs.
DESTDIR=$root cmake --install "$build" --prefix /usr --component bridge >/dev/null
diff -u <(tr ' ' '\n' <<<"$expected" | grep -v vrennosc- | sort) <(listing ! -type d) ||
    fail "the bridge's component differs (- expected, + installed)"
"$here/../../scripts/uninstall.sh" "$build" >/dev/null
echo "installed tree, man page and udev rule as expected; the uninstall removed exactly what the install added"
