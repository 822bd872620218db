#!/bin/sh
# Installs the Debian packages that one task needs, and only those that are missing.
# Usage: scripts/install-deps.sh run|test|demo|cross
# The lists are scripts/packages-run.txt and, for tests or the demo, scripts/packages-test.txt or
# scripts/packages-demo.txt as well; cross builds need the test list and scripts/packages-cross.txt.
# An entry PACKAGE/COMMAND counts as present when COMMAND is on the PATH, from wherever it came:
# Node.js from another archive ships its own npm, which Debian's npm package conflicts with.
set -eu
here=$(dirname "$0")
case "${1:-}" in
run) task_lists="" ;;
test) task_lists="$here/packages-test.txt" ;;
demo) task_lists="$here/packages-demo.txt" ;;
cross) task_lists="$here/packages-test.txt $here/packages-cross.txt" ;;
*) echo "usage: $0 run|test|demo|cross" >&2; exit 2 ;;
esac

is_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

is_present() {
    case "$1" in
    */*) command -v "${1#*/}" >/dev/null || is_installed "${1%%/*}" ;;
    *) is_installed "$1" ;;
    esac
}

missing=""
# Read apart from the loop, so that a list that cannot be read stops the script.
lists=$(cat "$here/packages-run.txt" $task_lists)
for entry in $(echo "$lists" | sed 's/#.*//'); do
    is_present "$entry" || missing="$missing ${entry%%/*}"
done
[ -n "$missing" ] || exit 0

if [ "$(id -u)" -eq 0 ]; then
    as_root=""
elif command -v sudo >/dev/null && sudo -v; then
    as_root="sudo"
else
    echo "Installing$missing needs root: run $0 $1 as root, or install and configure sudo." >&2
    exit 1
fi
echo "Installing:$missing"
$as_root apt-get update
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
