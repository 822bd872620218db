#!/bin/bash
# The udev rule matches src/hub_ids.h's device name, and every id pair (2341:8036), device name
# (0003:2341:8036) or "vendor/product (id) N" in the rule, man pages and documents is the header's.
# Usage: hub_ids_test.sh SOURCE_DIR
set -eu
cd "$1"
fail() { echo "FAIL: $*" >&2; exit 1; }
constant() { sed -n "s/^constexpr .* $1\(\[\]\)\? = \"\?\(0x\)\?\([^\";]*\)\"\?;$/\3/p" src/hub_ids.h; }
vendor=$(constant hubVendorId) product=$(constant hubProductId) prefix=$(constant hubDeviceNamePrefix)
[ -n "$vendor" ] && [ "$prefix" = "0003:$vendor:$product." ] || fail "src/hub_ids.h: vendor '$vendor', product '$product', name prefix '$prefix'"
grep -qF "KERNELS==\"$prefix*\"" packaging/70-vrennosc.rules || fail "the udev rule does not match $prefix*"

shopt -s nullglob
texts=(packaging/70-vrennosc.rules packaging/*.1 README.md docs/*.md)
others=$(grep -ohiE '([0-9a-f]{4}:)?[0-9a-f]{4}:[0-9a-f]{4}\b|(vendor|product)( id)? (0x)?[0-9a-f]{4}\b' "${texts[@]}" |
    sed -E 's/ id / /; s/ 0x/ /' | grep -vxF -e "0003:$vendor:$product" -e "$vendor:$product" -e "vendor $vendor" \
    -e "product $product" | sort -u || true)
[ -z "$others" ] || fail "${texts[*]} name ids other than src/hub_ids.h's: $(echo $others)"
echo "the udev rule, the man pages and the documents name the hub as src/hub_ids.h does"
