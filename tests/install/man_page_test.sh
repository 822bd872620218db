#!/bin/sh
# The man page, as installed (compressed), renders through man with every groff warning enabled
# and without any, and its NAME line is one that whatis and apropos can index.
# Usage: man_page_test.sh PAGE
set -eu
page=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=w -l -Tutf8 "$page" >"$work/out" 2>"$work/err" || {
    cat "$work/err"
    echo "FAIL: man could not render the page"
    exit 1
}
if [ -s "$work/err" ]; then
    cat "$work/err"
    echo "FAIL: rendering the page gave warnings"
    exit 1
fi
if [ ! -s "$work/out" ]; then
    echo "FAIL: the page rendered empty"
    exit 1
fi
if ! lexgrog "$page" | grep -q '"vrennosc - '; then
    lexgrog "$page" || true
    echo "FAIL: lexgrog finds no NAME line for vrennosc"
    exit 1
fi
echo "the page renders without warnings"
