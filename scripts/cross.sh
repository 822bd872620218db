#!/bin/sh
# Builds the bridge and the tools for arm64 or armhf with Debian's cross compiler, against that
# architecture's own packages, runs the test suite on it under qemu-user, and makes its packages.
# Usage: scripts/cross.sh arm64|armhf
# Everything lands in build/ARCH: apt/ (a private apt state; this machine's own is left alone),
# packages/ (one folder per package, for dpkg-shlibdeps), sysroot/ (all of them merged, for the
# compiler and the emulator), build/, ctest.log and the two packages.
set -eu
cd "$(dirname "$0")/.."
arch=${1:-}
case "$arch" in
arm64 | armhf) ;;
*) echo "usage: $0 arm64|armhf" >&2 && exit 2 ;;
esac
scripts/install-deps.sh cross
dir=$(pwd)/build/$arch

# liblo-dev cannot be installed beside its amd64 twin, so no target package is installed here:
# they are downloaded for the architecture with what they need, and unpacked.
target_apt() {
    apt-get -q -o APT::Architecture="$arch" -o APT::Architectures::="$arch" -o Dir::State="$dir/apt" \
        -o Dir::State::status="$dir/apt/status" -o Dir::Cache="$dir/apt" -o Debug::NoLocking=1 \
        -o APT::Sandbox::User="$(id -un)" "$@"
}
fetch_packages() {
    mkdir -p "$dir/apt/lists/partial" "$dir/apt/archives/partial" && : >"$dir/apt/status"
    # A mirror in the middle of a sync serves lists of the wrong size for a while. A list that
    # still fails is left out, and the packages come from those that arrived.
    for pause in 20 ""; do
        target_apt update >"$dir/apt.log" 2>&1 && break
        [ -n "$pause" ] || { grep '^E: ' "$dir/apt.log" | sed 's/^E: /warning: /' >&2 && break; }
        sleep $pause
    done
    target_apt install -y --download-only --no-install-recommends $(sed 's/#.*//' scripts/packages-target.txt) \
        >"$dir/apt.log" 2>&1 || { cat "$dir/apt.log" >&2 && exit 1; }
    rm -rf "$dir/packages" "$dir/sysroot" && mkdir -p "$dir/packages" "$dir/sysroot"
    for deb in "$dir"/apt/archives/*.deb; do
        tree=$dir/packages/$(basename "$deb" .deb)
        dpkg-deb -R "$deb" "$tree"
        for entry in "$tree"/*; do [ "${entry##*/}" = DEBIAN ] || cp -alf "$entry" "$dir/sysroot/"; done
    done
    # Links to /lib/... would lead the linker to this machine's own libraries.
    find "$dir/sysroot" -type l -lname '/*' | while read -r link; do
        ln -sfnr "$dir/sysroot$(readlink "$link")" "$link"
    done
}

echo "== build/$arch"
begin=$(date +%s)
fetch_packages
cmake -S . -B "$dir/build" -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/$arch.cmake" -DVRENNOSC_SYSROOT="$dir/sysroot" \
    -DVRENNOSC_PACKAGE_TREES="$dir/packages" -DVRENNOSC_WERROR=ON >/dev/null
cmake --build "$dir/build" -j "$(nproc)"
rm -f "$dir/ctest.log"
status=0
ctest --test-dir "$dir/build" --output-on-failure --no-tests=error -j "$(nproc)" -O "$dir/ctest.log" || status=1
rm -f "$dir"/vrennosc*.deb
cpack -G DEB --config "$dir/build/CPackConfig.cmake" -B "$dir/cpack" >"$dir/cpack.log" 2>&1 &&
    mv "$dir"/cpack/vrennosc*.deb "$dir/" || { cat "$dir/cpack.log" >&2 && status=1; }
echo "build/$arch: $(($(date +%s) - begin)) s; packages: $(ls "$dir"/vrennosc*.deb 2>/dev/null | xargs)"
exit $status
