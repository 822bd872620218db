#!/bin/sh
# Boots a small Linux guest under QEMU in which the unchanged bridge, linked to the system's hidapi,
# finds a real kernel HID device made by the uhid hub, loses it on unplug and finds it again.
# Usage: scripts/system-test.sh BUILD_DIR
# Exit status: 0 pass, 1 fail, 77 skipped (only outside CI, when the guest cannot be had here).
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
guest_files=$source_dir/tests/system
build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
work=$build/system-test
kernel=$work/kernel
root=$work/root
log=$work/console.log

# Under CI the test must run, so anything missing is a failure there.
cannot_run() {
    if [ "${CI:-}" = true ]; then
        echo "system test cannot run: $1" >&2
        exit 1
    fi
    echo "system test skipped: $1"
    exit 77
}

for tool in qemu-system-x86_64 busybox cpio apt-get dpkg-deb ldd udevadm; do
    command -v "$tool" >/dev/null || cannot_run "$tool is not installed"
done
oscdump=$(command -v oscdump) || cannot_run "oscdump (liblo-tools) is not installed"
programs="$build/vrennosc $build/tools/uhidhub/vrennosc-uhidhub $build/tests/system/other_hid_device"
for program in $programs; do
    [ -x "$program" ] || { echo "$program is missing: build the tests first" >&2; exit 1; }
done

# Debian's cloud kernel has hidraw built in and uhid as a module. The meta package names the
# current kernel package, whose ABI number changes, so it is resolved at each download.
download() {
    if ! apt-get -q -o APT::Sandbox::User=root download "$1" >apt.log 2>&1; then
        [ "${CI:-}" != true ] || cat apt.log >&2
        cannot_run "cannot download $1 (has apt-get update run?)"
    fi
}

fetch_kernel() {
    download=$work/download
    rm -rf "$download" && mkdir -p "$download" && cd "$download"
    download linux-image-cloud-amd64
    package=$(dpkg-deb -f linux-image-cloud-amd64_*.deb Depends | sed 's/[ ,].*//')
    echo "fetching $package"
    download "$package"
    dpkg-deb -x "$package"_*.deb unpacked
    mkdir -p "$kernel.new"
    cp unpacked/boot/vmlinuz-* "$kernel.new/vmlinuz"
    for module in hid hid-generic uhid; do
        found=$(find unpacked/lib/modules -name "$module.ko" | head -n 1)
        [ -n "$found" ] || { echo "$package has no $module.ko" >&2; exit 1; }
        cp "$found" "$kernel.new/"
    done
    cd "$build"
    rm -rf "$download" "$kernel" && mv "$kernel.new" "$kernel"
}

# Copies a program into the guest with the shared libraries it loads (hidapi cannot be linked
# statically).
install_program() {
    cp "$1" "$root/bin/"
    for library in $(ldd "$1" 2>/dev/null | awk '$3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }'); do
        mkdir -p "$root$(dirname "$library")"
        cp -L "$library" "$root$library"
    done
}

build_initramfs() {
    rm -rf "$root"
    mkdir -p "$root/bin" "$root/modules" "$root/test" "$root/etc" "$root/proc" "$root/sys" "$root/dev" \
        "$root/tmp"
    for program in $(command -v busybox) $(command -v udevadm) "$oscdump" $programs; do
        install_program "$program"
    done
    cp "$kernel"/*.ko "$root/modules/"
    cp "$guest_files/guest-init.sh" "$root/init"
    cp "$guest_files/hub.scenario" "$guest_files/expected-messages.txt" "$root/test/"
    # The bridge resolves "localhost"; the guest has no DNS.
    echo "127.0.0.1 localhost" >"$root/etc/hosts"
    echo "hosts: files" >"$root/etc/nsswitch.conf"
    # The udev rule, where the package installs it, and the group it names.
    mkdir -p "$root/usr/lib/udev/rules.d"
    cp "$source_dir/packaging/70-vrennosc.rules" "$root/usr/lib/udev/rules.d/"
    echo "plugdev:x:46:" >"$root/etc/group"
    (cd "$root" && find . | cpio -o -H newc --quiet) >"$work/initramfs.cpio"
}

# QEMU's exit status says nothing about the guest (it is 0 after a kernel panic too): the verdict
# is the marker line that the guest prints. TCG, because KVM on these machines cannot boot a guest.
run_guest() {
    timeout --kill-after=5 120 qemu-system-x86_64 -accel tcg -cpu max -m 256M -smp 1 \
        -kernel "$kernel/vmlinuz" -initrd "$work/initramfs.cpio" \
        -append "console=ttyS0 panic=-1 loglevel=4" -display none -monitor none -serial stdio \
        -no-reboot -nodefaults -net none </dev/null >"$log" 2>&1 || true
}

mkdir -p "$work"
[ -f "$kernel/vmlinuz" ] || fetch_kernel
build_initramfs
run_guest
if grep -q "SYSTEM TEST PASS" "$log" && ! grep -q "SYSTEM TEST FAIL" "$log"; then
    echo "system test passed"
    exit 0
fi
echo "system test failed; last lines of $log:"
tail -n 40 "$log"
exit 1
