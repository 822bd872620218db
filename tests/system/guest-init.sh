#!/bin/busybox sh
# The guest's only program. Starts the bridge before any hub exists, then a receiver, then plays the
# hub through uhid (announcements, values, ignored reports, unplug, replug, values without a new
# announcement); compares what arrived with what was expected and prints one verdict line.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev

show() {
    for file in "$@"; do
        echo "--- $file"
        cat "$file"
    done
}

# Should the power-off fail, leaving init panics the kernel, which ends the guest just the same.
verdict() {
    echo "SYSTEM TEST $*"
    poweroff -f
    exit 1
}

fail() {
    show /tmp/bridge.out /tmp/hub.out /tmp/osc.out
    verdict "FAIL: $*"
}

# Retries a command every 0.1 s, at most $1 times.
retry() {
    tries=$1
    shift
    until "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

# Debian's kernel ships no modules.dep; hid-generic is what binds the hub and gives it a hidraw node.
for module in hid hid-generic uhid; do
    insmod /modules/$module.ko || fail "cannot load $module"
done
ip link set lo up || fail "cannot bring up loopback"

vrennosc >/tmp/bridge.out 2>&1 &
bridge=$!
start_line="Sending OSC messages to port 9876 on local host."
retry 50 grep -qx "$start_line" /tmp/bridge.out || fail "no start line from the bridge"
sleep 0.5
kill -0 $bridge || fail "the bridge stopped while the hub was absent"

oscdump -L 9876 >/tmp/osc.out 2>&1 &
# 2694 is 9876 in hexadecimal, as /proc lists bound ports.
retry 50 grep -q ':2694 ' /proc/net/udp /proc/net/udp6 || fail "oscdump does not listen"

vrennosc-uhidhub /test/hub.scenario >/tmp/hub.out 2>&1 &
hub=$!
all_arrived() {
    [ "$(wc -l </tmp/osc.out)" -ge "$(wc -l </test/expected-messages.txt)" ]
}
retry 150 all_arrived || fail "not all the expected messages arrived"
# The hub stays plugged in after its scenario; a stray late message would still show up meanwhile.
sleep 0.3
kill -0 $hub || fail "the uhid hub stopped"

# The udev rule must apply to the hub's hidraw node and to no other: not to another product, not
# to the hub's ids on another bus (Bluetooth), not to the HID devices above the nodes.
other_hid_device 0003 2341 0043 &
others=$!
other_hid_device 0005 2341 8036 &
others="$others $!"
three_nodes() {
    [ "$(ls /sys/class/hidraw | wc -l)" -eq 3 ]
}
retry 50 three_nodes || fail "the other HID devices have no hidraw nodes"
udev_test() {
    udevadm test "$1" >/tmp/udev.out 2>&1 || fail "udevadm test $1 failed: $(tail -n 1 /tmp/udev.out)"
}
rule_granted() {
    grep -q "70-vrennosc.rules:[0-9]* GROUP 46" /tmp/udev.out &&
        grep -q "70-vrennosc.rules:[0-9]* MODE 0660" /tmp/udev.out && grep -q "^TAGS=.*:uaccess:" /tmp/udev.out
}
rule_silent() {
    ! grep -q "70-vrennosc.rules:[0-9]" /tmp/udev.out && ! grep -q uaccess /tmp/udev.out
}
for node in /sys/class/hidraw/*; do
    device=$(basename "$(readlink "$node/device")")
    udev_test "$node"
    case $device in
    0003:2341:8036.*) rule_granted || fail "the udev rule misses the hub's node $node" ;;
    *) rule_silent || fail "the udev rule applies to $device's node" ;;
    esac
    udev_test "$node/device"
    rule_silent || fail "the udev rule applies to the HID device $device"
    echo "udev rule checked on $device"
done
kill $others
kill $hub
show /tmp/hub.out
# oscdump starts each line with the arrival time, which is left out of the comparison.
cut -d' ' -f2- /tmp/osc.out >/tmp/messages.txt
diff /test/expected-messages.txt /tmp/messages.txt || fail "the messages differ from the expected ones"
# The bridge must outlive the hub's final unplug too, and keep looking for it without a word.
sleep 0.3
kill -0 $bridge || fail "the bridge did not survive the unplugs"
[ "$(cat /tmp/bridge.out)" = "$start_line" ] || fail "the bridge printed more than its start line"
verdict PASS
