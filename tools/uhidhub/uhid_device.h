// The hub as a real kernel HID device, created through /dev/uhid. Plugging and unplugging create and
// destroy the kernel device. It follows whether a reader has the device open, because hidraw drops
// the input reports that nobody reads.
#pragma once

#include <cstddef>
#include <string>

namespace vhub {

class UhidDevice {
public:
    UhidDevice() = default;
    ~UhidDevice();
    UhidDevice(const UhidDevice &) = delete;
    UhidDevice &operator=(const UhidDevice &) = delete;

    // Opens /dev/uhid; on failure returns false and says what is wrong and how to fix it.
    bool openControl(std::string &error);

    // Each returns false and sets error when the kernel refuses; none touches an unopened control.
    bool plug(std::string &error);
    bool unplug(std::string &error);
    bool send(const unsigned char *data, std::size_t size, std::string &error);

    // Follows the kernel's events (a reader opening or closing the device) for at most timeoutMs,
    // -1: until one arrives; returns false on a read error.
    bool serviceEvents(int timeoutMs, std::string &error);

    bool isPlugged() const { return plugged; }
    bool isOpenedByReader() const { return opened; }

private:
    bool writeEvent(const void *event, std::size_t size, std::string &error);
    bool handleEvent(std::string &error);

    int fd = -1;
    bool plugged = false;
    bool opened = false;
};

} // namespace vhub
