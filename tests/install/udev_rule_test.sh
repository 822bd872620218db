#!/bin/sh
# Evaluates the hub's udev rule the way udev matches it against the events of a few devices: the
# hub's hidraw node must match, through a real USB hub or the virtual uhid one; no other device
# may. Then checks that the node is not opened up to every user.
# Usage: udev_rule_test.sh RULES_FILE
set -eu
rule=$1
failures=0

# The rule's keys, one per line: KEY<tab>OPERATOR<tab>VALUE.
rule_keys() {
    grep -v '^[[:space:]]*#' "$rule" | grep -o '[A-Za-z{}_]*[!=+:]*="[^"]*"' |
        sed 's/^\([A-Za-z{}_]*\)\([!=+:]*=\)"\(.*\)"$/\1\t\2\t\3/'
}

# True when every match key of the rule holds for the device whose properties are the arguments,
# each KEY=VALUE. KERNELS and ATTRS{...} appear once per device up the chain of parents.
rule_matches() {
    rule_keys | {
        while IFS="$(printf '\t')" read -r key op pattern; do
            [ "$op" = "==" ] || [ "$op" = "!=" ] || continue
            hit=no
            for property in "$@"; do
                case $property in "$key="*) ;; *) continue ;; esac
                # shellcheck disable=SC2254 # the pattern is a glob, as in udev
                case ${property#"$key="} in $pattern) hit=yes ;; esac
            done
            if [ "$op" = "==" ] && [ $hit = no ]; then return 1; fi
            if [ "$op" = "!=" ] && [ $hit = yes ]; then return 1; fi
        done
    }
}

expect() {
    wanted=$1 what=$2
    shift 2
    if rule_matches "$@"; then got=match; else got="no match"; fi
    if [ "$got" != "$wanted" ]; then
        echo "FAIL: $what: expected $wanted, got $got"
        failures=$((failures + 1))
    fi
}

usb_hub_chain="KERNELS=0003:2341:8036.0004 KERNELS=1-1:1.2 KERNELS=1-1 ATTRS{idVendor}=2341 ATTRS{idProduct}=8036"
# shellcheck disable=SC2086 # the chains are lists of properties
{
    expect match "hidraw node of the hub on USB" SUBSYSTEM=hidraw KERNEL=hidraw3 KERNELS=hidraw3 $usb_hub_chain
    expect match "hidraw node of the virtual uhid hub" SUBSYSTEM=hidraw KERNEL=hidraw7 KERNELS=hidraw7 \
        KERNELS=0003:2341:8036.000A KERNELS=uhid
    expect "no match" "input node of the hub" SUBSYSTEM=input KERNEL=event5 KERNELS=event5 KERNELS=input12 \
        $usb_hub_chain
    expect "no match" "the hub's USB interface" SUBSYSTEM=usb KERNEL=1-1:1.2 $usb_hub_chain
    expect "no match" "hidraw node of a mouse" SUBSYSTEM=hidraw KERNEL=hidraw0 KERNELS=hidraw0 \
        KERNELS=0003:046D:C52B.0001 KERNELS=1-2:1.0 "ATTRS{idVendor}=046d"
    expect "no match" "hidraw node of another board of the same vendor" SUBSYSTEM=hidraw KERNEL=hidraw1 \
        KERNELS=hidraw1 KERNELS=0003:2341:8037.0002 "ATTRS{idVendor}=2341" "ATTRS{idProduct}=8037"
    expect "no match" "hidraw node of a Bluetooth device with the hub's ids" SUBSYSTEM=hidraw \
        KERNEL=hidraw2 KERNELS=hidraw2 KERNELS=0005:2341:8036.0003
}

# The node never goes to every user.
mode=$(rule_keys | awk -F "\t" '$1 == "MODE" { print $3 }')
case $mode in
0660 | 0600 | 660 | 600) ;;
*)
    echo "FAIL: the node's mode '$mode' is not limited to its owner and group"
    failures=$((failures + 1))
    ;;
esac

[ $failures -eq 0 ] || exit 1
echo "the rule matches the hub's hidraw node and nothing else"
