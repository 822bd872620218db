#!/bin/busybox sh
# The guest's only program. Starts the bridge before any hub exists, then a receiver, then plays the
# hub through uhid; then asks udev what the package's rule does to the hub and to two devices that
# are not the hub. Prints one verdict line, which is all the host reads.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc && mount -t sysfs sysfs /sys && mount -t devtmpfs devtmpfs /dev
work=$(mktemp -d)
fail() { echo "FAIL: $*" && exit 1; }
# Polls a command every 50 ms for at most $1 seconds.
wait_for() { n=$(($1 * 20)) && shift && until "$@"; do n=$((n - 1)) && [ $n -gt 0 ] || return 1; sleep 0.05; done; }
port_bound() { grep -qi ":$(printf %04X "$port") [0-9A-F]*:0000 07" /proc/net/udp; }
# Should the power-off fail, leaving init panics the kernel, which ends the guest just the same.
verdict() {
    [ -n "${result:-}" ] || head -n 30 "$work"/*.out
    echo "SYSTEM TEST ${result:-FAIL}"
    poweroff -f
}
trap verdict EXIT

# Debian's kernel ships no modules.dep; hid-generic is what binds the hub and gives it a hidraw node.
for module in hid hid-generic uhid; do insmod /test/$module.ko || fail "cannot load $module"; done
ip link set lo up || fail "cannot bring up loopback"
vrennosc >"$work/bridge.out" 2>&1 &
bridge=$!
start_line="Sending OSC messages to port 9876 on local host."
wait_for 5 grep -qx "$start_line" "$work/bridge.out" || fail "no start line from the bridge"
port=9876
oscdump -L $port >"$work/osc.out" 2>&1 &
wait_for 5 port_bound || fail "oscdump does not listen"
vrennosc-uhidhub /test/hub.scenario >"$work/hub.out" 2>&1 &
hub=$!
all_arrived() { [ "$(wc -l <"$work/osc.out")" -ge "$(wc -l </test/expected-messages.txt)" ]; }
wait_for 15 all_arrived || fail "not all the expected messages arrived"

# Two HID devices that are not the hub: another product, and the hub's ids on Bluetooth. Each is a
# uhid create2 event (type 11; name, phys and uniq; descriptor size 19; bus, vendor, product; the
# kernel zeroes what a write leaves out) with a report descriptor of one vendor-defined byte.
descriptor='\x06\0\xff\x09\x01\xa1\x01\x15\0\x26\xff\0\x75\x08\x95\x01\x81\x02\xc0'
other_device() { printf "\x0b\0\0\0%-256s\x13\0$1\0\0\0\0\0\0\0\0$descriptor" other; }
exec 3>/dev/uhid 4>/dev/uhid
other_device '\x03\0\x41\x23\0\0\x43\0\0\0' >&3
other_device '\x05\0\x41\x23\0\0\x36\x80\0\0' >&4
three_nodes() { [ "$(ls /sys/class/hidraw | wc -l)" -eq 3 ]; }
wait_for 5 three_nodes || fail "the other HID devices have no hidraw nodes"
rule_result() { udevadm test "$1" 2>&1 | grep -o -e "GROUP .*" -e "MODE .*" -e "^TAGS=.*"; }
for node in /sys/class/hidraw/*; do
    ids=$(basename "$(readlink "$node/device")" | cut -d. -f1)
    echo "$ids node:" $(rule_result "$node")
    echo "$ids device:" $(rule_result "$node/device")
done | sort >"$work/udev.out"
diff /test/expected-udev.txt "$work/udev.out" || fail "the udev rule does not apply to the hub's node alone"

# The hub stays plugged in after its scenario; a stray late message would have shown up meanwhile.
kill -0 $hub || fail "the uhid hub stopped"
kill $hub
# oscdump starts each line with the arrival time, which is left out of the comparison.
cut -d' ' -f2- "$work/osc.out" | diff /test/expected-messages.txt - || fail "the messages differ"
# The bridge must outlive the hub's final unplug too, and keep looking for it without a word.
sleep 0.3
kill -0 $bridge || fail "the bridge did not survive the unplugs"
[ "$(cat "$work/bridge.out")" = "$start_line" ] || fail "the bridge printed more than its start line"
result=PASS
