// Talks to /dev/uhid: creates and destroys the hub's kernel device, feeds it input reports, and
// follows whether a reader has it open.
#include "uhid_device.h"

#include "hub_descriptor.h"
#include "hub_ids.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

namespace vhub {

namespace {
constexpr const char *controlPath = "/dev/uhid";

std::string openFailure(int error) {
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return std::string(controlPath) +
               " is missing: this kernel has no uhid support or its module is not loaded "
               "(as root: modprobe uhid)";
    case EACCES:
    case EPERM:
        return std::string("no permission to open ") + controlPath + ": run as root";
    default:
        return std::string("cannot open ") + controlPath + ": " + std::strerror(error);
    }
}

void copyText(__u8 *field, std::size_t size, const char *text) {
    std::strncpy(reinterpret_cast<char *>(field), text, size - 1);
}
} // namespace

UhidDevice::~UhidDevice() {
    // Closing the control destroys the kernel device as well.
    if (fd != -1) {
        close(fd);
    }
}

bool UhidDevice::openControl(std::string &error) {
    fd = open(controlPath, O_RDWR | O_CLOEXEC);
    if (fd == -1) {
        error = openFailure(errno);
        return false;
    }
    return true;
}

bool UhidDevice::writeEvent(const void *event, std::size_t size, std::string &error) {
    if (fd == -1) {
        error = std::string(controlPath) + " is not open";
        return false;
    }
    const ssize_t written = write(fd, event, size);
    if (written != static_cast<ssize_t>(size)) {
        error = std::string("writing to ") + controlPath +
                " failed: " + (written < 0 ? std::strerror(errno) : "short write");
        return false;
    }
    return true;
}

bool UhidDevice::plug(std::string &error) {
    if (plugged) {
        return true;
    }
    uhid_event event{};
    event.type = UHID_CREATE2;
    uhid_create2_req &create = event.u.create2;
    copyText(create.name, sizeof create.name, "virtual hub");
    copyText(create.phys, sizeof create.phys, "uhidhub");
    copyText(create.uniq, sizeof create.uniq, "uhid-0");
    create.rd_size = sizeof hubReportDescriptor;
    create.bus = BUS_USB;
    create.vendor = hubVendorId;
    create.product = hubProductId;
    create.version = 0x0100;
    std::memcpy(create.rd_data, hubReportDescriptor, sizeof hubReportDescriptor);
    if (!writeEvent(&event, sizeof event, error)) {
        return false;
    }
    plugged = true;
    opened = false;
    return true;
}

bool UhidDevice::unplug(std::string &error) {
    if (!plugged) {
        return true;
    }
    uhid_event event{};
    event.type = UHID_DESTROY;
    if (!writeEvent(&event, sizeof event, error)) {
        return false;
    }
    // Events of the old device must not count for the next one.
    plugged = false;
    const bool drained = serviceEvents(0, error);
    opened = false;
    return drained;
}

bool UhidDevice::send(const unsigned char *data, std::size_t size, std::string &error) {
    if (size > UHID_DATA_MAX) {
        error = "a report of " + std::to_string(size) + " bytes exceeds the kernel's limit";
        return false;
    }
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<__u16>(size);
    std::memcpy(event.u.input2.data, data, size);
    return writeEvent(&event, sizeof event, error);
}

bool UhidDevice::handleEvent(std::string &error) {
    uhid_event event{};
    const ssize_t got = read(fd, &event, sizeof event);
    if (got < 0) {
        if (errno == EINTR || errno == EAGAIN) {
            return true;
        }
        error = std::string("reading from ") + controlPath + " failed: " + std::strerror(errno);
        return false;
    }
    // Only whether a reader has the device open matters; the hub has no output or feature reports.
    if (event.type == UHID_OPEN) {
        opened = true;
    } else if (event.type == UHID_CLOSE || event.type == UHID_STOP) {
        opened = false;
    }
    return true;
}

bool UhidDevice::serviceEvents(int timeoutMs, std::string &error) {
    pollfd waiting{fd, POLLIN, 0};
    int ready = poll(&waiting, 1, timeoutMs);
    while (ready > 0) {
        if (!handleEvent(error)) {
            return false;
        }
        ready = poll(&waiting, 1, 0);
    }
    if (ready < 0 && errno != EINTR) {
        error = std::string("waiting on ") + controlPath + " failed: " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace vhub
