#!/bin/sh
# Without /dev/uhid the uhid hub must fail and say what is missing, not hang or pretend to play.
# Usage: uhid-missing.sh UHIDHUB SCENARIO
set -eu
if [ -e /dev/uhid ]; then
    echo "skipped: this machine has /dev/uhid, which the system test's guest covers"
    exit 77
fi
status=0
message=$("$1" "$2" 2>&1) || status=$?
echo "exit status $status: $message"
[ "$status" -eq 1 ]
echo "$message" | grep -q "/dev/uhid is missing"
