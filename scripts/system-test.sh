#!/bin/sh
# Boots a small Linux guest under QEMU in which the unchanged bridge, linked to the system's hidapi,
# finds a real kernel HID device made by the uhid hub, loses it on unplug and finds it again.
# Usage: scripts/system-test.sh BUILD_DIR
# Exit status: 0 pass, 1 fail, 77 skipped (only outside CI, when the guest cannot be had here).
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
work=$build/system-test
kernel=$work/kernel
root=$work/root

# Under CI the test must run, so anything missing is a failure there.
cannot_run() {
    [ "${CI:-}" != true ] || { echo "system test cannot run: $1" >&2; exit 1; }
    echo "system test skipped: $1"
    exit 77
}
[ -z "${VRENNOSC_EMULATOR:-}" ] || { echo "SKIP: the guest is an x86-64 machine, and this build's programs run under $VRENNOSC_EMULATOR"; exit 77; }
for tool in qemu-system-x86_64 busybox cpio apt-get dpkg-deb ldd udevadm oscdump; do
    command -v $tool >/dev/null || cannot_run "$tool is not installed (scripts/test.sh installs it)"
done
bridge=$build/vrennosc uhidhub=$build/tools/uhidhub/vrennosc-uhidhub
for program in "$bridge" "$uhidhub"; do [ -x "$program" ] || { echo "$program is missing: build it" >&2; exit 1; }; done

# Debian's cloud kernel has hidraw built in and uhid as a module. The meta package names the
# current kernel package, whose ABI number changes, so it is resolved at each download.
download() {
    apt-get -q -o APT::Sandbox::User="$(id -un)" download "$1" >apt.log 2>&1 ||
        cannot_run "cannot download $1 (has apt-get update run?): $(tail -n 1 apt.log)"
}
fetch_kernel() {
    rm -rf "$work/download" && mkdir -p "$work/download" && cd "$work/download"
    download linux-image-cloud-amd64
    package=$(dpkg-deb -f linux-image-cloud-amd64_*.deb Depends | sed 's/[ ,].*//')
    download "$package"
    dpkg-deb -x "$package"_*.deb unpacked
    mkdir -p "$kernel.new" && cp unpacked/boot/vmlinuz-* "$kernel.new/vmlinuz"
    find unpacked \( -name hid.ko -o -name hid-generic.ko -o -name uhid.ko \) -exec cp -t "$kernel.new" {} +
    cd "$build" && rm -rf "$work/download" "$kernel" && mv "$kernel.new" "$kernel"
}
mkdir -p "$work"
[ -f "$kernel/vmlinuz" ] || fetch_kernel

# The guest gets the programs with the shared libraries they load (hidapi cannot be linked
# statically), the kernel's modules, the test's files, and the udev rule where the package puts it.
rm -rf "$root"
for folder in bin test etc proc sys dev tmp usr/lib/udev/rules.d; do mkdir -p "$root/$folder"; done
for program in busybox udevadm oscdump "$bridge" "$uhidhub"; do
    program=$(command -v "$program") && cp "$program" "$root/bin/"
    ldd "$program" 2>/dev/null | grep -o '/[^ ]*' | xargs -r cp -L --parents -t "$root"
done
cp "$kernel"/*.ko "$source_dir"/tests/bridge/system/*.txt "$root/test/"
cp "$source_dir/tests/bridge/system/guest-init.sh" "$root/init"
{ cat "$source_dir/tests/bridge/system/hub.scenario" && printf 'raw 0302%08188d\n' 0; } >"$root/test/hub.scenario"
cp "$source_dir/packaging/70-vrennosc.rules" "$root/usr/lib/udev/rules.d/"
# The group the rule names; "localhost" for the bridge, as the guest has no DNS.
echo "plugdev:x:46:" >"$root/etc/group"
echo "127.0.0.1 localhost" >"$root/etc/hosts"
echo "hosts: files" >"$root/etc/nsswitch.conf"
(cd "$root" && find . | cpio -o -H newc --quiet) >"$work/initramfs.cpio"

# QEMU's exit status says nothing about the guest (it is 0 after a kernel panic too): the verdict
# is the line that the guest prints. TCG, because KVM on these machines cannot boot a guest.
timeout --kill-after=5 120 qemu-system-x86_64 -accel tcg -cpu max -m 256M -smp 1 \
    -kernel "$kernel/vmlinuz" -initrd "$work/initramfs.cpio" \
    -append "console=ttyS0 panic=-1 loglevel=4" -display none -monitor none -serial stdio \
    -no-reboot -nodefaults -net none </dev/null >"$work/console.log" 2>&1 || true
grep -q "SYSTEM TEST PASS" "$work/console.log" && echo "system test passed" && exit 0
echo "system test failed; last lines of $work/console.log:"
tail -n 40 "$work/console.log"
exit 1
