// The hub's USB identity, written here only: the bridge looks for it, the virtual and uhid hubs
// and the test fake play it, the monitor finds its node. The udev rule and the documents spell it
// out; tests/packaging/hub_ids_test.sh checks that they agree with this file.
#pragma once

constexpr unsigned short hubVendorId = 0x2341;
constexpr unsigned short hubProductId = 0x8036;
// The start of the name the kernel gives the hub's HID device: bus 0003 (USB), vendor, product.
constexpr char hubDeviceNamePrefix[] = "0003:2341:8036.";
constexpr unsigned hubDeviceNamePrefixLength = sizeof hubDeviceNamePrefix - 1;
