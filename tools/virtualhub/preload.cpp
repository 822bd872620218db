// hidapi's four calls, played by the virtual hub: preload this library into the bridge and it
// reads the scenario named by VHUB_SCENARIO instead of a USB device.
#include "hub.h"
#include "hub_ids.h"

#include <cstdio>
#include <cstdlib>
#include <hidapi.h>
#include <mutex>
#include <optional>
#include <unistd.h>

struct hid_device_ {
    unsigned long plugging;
    bool nonblocking = false;
};

namespace {

constexpr useconds_t blockingPause = 1000;

std::mutex hubMutex;
std::optional<vhub::VirtualHub> hub;
double origin = 0;

// The scenario's clock starts at the first hid_open, once the scenario is parsed, so that a long
// script does not make its first reports fall due at once. A scenario that cannot be read ends the
// process: carrying on would look like a hub that is merely absent.
vhub::VirtualHub &startedHub() {
    if (!hub) {
        const char *path = std::getenv("VHUB_SCENARIO");
        try {
            auto scenario = vhub::loadScenario(path != nullptr ? path : VHUB_DEFAULT_SCENARIO);
            origin = vhub::monotonicNow();
            hub.emplace(std::move(scenario), origin);
        } catch (const std::exception &error) {
            std::fprintf(stderr, "virtualhub: %s\n", error.what());
            std::_Exit(2);
        }
    }
    return *hub;
}

int readOnce(hid_device *device, unsigned char *data, size_t length) {
    std::lock_guard<std::mutex> lock(hubMutex);
    return hub->read(device->plugging, vhub::monotonicNow() - origin, data, length);
}

} // namespace

extern "C" {

hid_device *hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t *) {
    if (vendor_id != hubVendorId || product_id != hubProductId) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(hubMutex);
    vhub::VirtualHub &h = startedHub();
    if (!h.open(vhub::monotonicNow() - origin)) {
        return nullptr;
    }
    return new hid_device_{h.plugging()};
}

int hid_set_nonblocking(hid_device *device, int nonblock) {
    device->nonblocking = nonblock != 0;
    return 0;
}

// In blocking mode the read waits for the next report, as hidapi's does.
int hid_read(hid_device *device, unsigned char *data, size_t length) {
    int n = readOnce(device, data, length);
    while (n == 0 && !device->nonblocking) {
        usleep(blockingPause);
        n = readOnce(device, data, length);
    }
    return n;
}

void hid_close(hid_device *device) { delete device; }

} // extern "C"
