// The hub's HID report descriptor: one vendor-defined input report with id 3 and 61 bytes, so that
// hidraw readers get 62 bytes with the id first.
#pragma once

namespace vhub {

constexpr unsigned char hubReportDescriptor[] = {
    0x06, 0x00, 0xff, // usage page: vendor defined
    0x09, 0x01,       // usage 1
    0xa1, 0x01,       // collection: application
    0x85, 0x03,       //   report id 3
    0x15, 0x00,       //   logical minimum 0
    0x26, 0xff, 0x00, //   logical maximum 255
    0x75, 0x08,       //   report size: 8 bits
    0x95, 0x3d,       //   report count: 61
    0x09, 0x01,       //   usage 1
    0x81, 0x02,       //   input: data, variable, absolute
    0xc0,             // end collection
};

} // namespace vhub
