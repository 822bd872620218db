// A HID device that is not the hub, for the udev rule check in the system test's guest: it creates
// one through /dev/uhid with the given bus, vendor and product (hexadecimal) and keeps it until
// killed. Usage: other_hid_device BUS VENDOR PRODUCT
#include "hub_descriptor.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/uhid.h>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: other_hid_device BUS VENDOR PRODUCT\n");
        return 2;
    }
    // The hub's descriptor, so that only the ids tell the devices apart.
    uhid_event event{};
    event.type = UHID_CREATE2;
    std::strcpy(reinterpret_cast<char *>(event.u.create2.name), "other device");
    event.u.create2.bus = static_cast<__u16>(std::strtoul(argv[1], nullptr, 16));
    event.u.create2.vendor = static_cast<__u32>(std::strtoul(argv[2], nullptr, 16));
    event.u.create2.product = static_cast<__u32>(std::strtoul(argv[3], nullptr, 16));
    event.u.create2.rd_size = sizeof vhub::hubReportDescriptor;
    std::memcpy(event.u.create2.rd_data, vhub::hubReportDescriptor, sizeof vhub::hubReportDescriptor);
    const int fd = open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (fd == -1 || write(fd, &event, sizeof event) != static_cast<ssize_t>(sizeof event)) {
        std::perror("other_hid_device: /dev/uhid");
        return 1;
    }
    // Closing /dev/uhid would destroy the device; the kernel's events are of no interest here.
    for (;;) {
        pause();
    }
}
