// The scripted platform: hidapi's four calls, usleep and getaddrinfo, replaced at link time.
#include "fake_platform.h"

#include "hub_ids.h"
#include "vrennosc.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <dlfcn.h>
#include <netdb.h>
#include <unistd.h>

struct hid_device_ {
    int unused;
};

namespace {
hid_device_ theHub;
int absent = 0;
std::deque<fake::Read> reads;
std::string log;
HIDCommunication *linkToStop = nullptr;

void record(const std::string &call) { log += (log.empty() ? "" : " ") + call; }
} // namespace

namespace fake {
const Read noReport{0, {}}, unplug{-1, {}};
Read report(const Bytes &bytes) { return {static_cast<int>(bytes.size()), bytes}; }
void reset(int absentOpens) {
    absent = absentOpens;
    reads.clear();
    log.clear();
    linkToStop = nullptr;
}
void queue(const std::vector<Read> &more) { reads.insert(reads.end(), more.begin(), more.end()); }
void stopAtLastRead(HIDCommunication *link) { linkToStop = link; }
std::string calls() { return log; }
} // namespace fake

extern "C" {
hid_device *hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t *serial_number) {
    if (absent > 0 || vendor_id != hubVendorId || product_id != hubProductId || serial_number != nullptr) {
        absent = std::max(0, absent - 1);
        record("open-none");
        return nullptr;
    }
    record("open");
    return &theHub;
}

int hid_set_nonblocking(hid_device *device, int nonblock) {
    record(device == &theHub && nonblock == 1 ? "nonblocking" : "nonblocking-wrong");
    return 0;
}

int hid_read(hid_device *device, unsigned char *data, size_t length) {
    record(device == &theHub && length >= 62 ? "read" : "read-wrong");
    if (reads.empty()) { // a loop that outlives its script ends here
        if (linkToStop != nullptr) {
            linkToStop->running = false;
        }
        return 0;
    }
    const fake::Read next = reads.front();
    reads.pop_front();
    if (reads.empty() && linkToStop != nullptr) {
        linkToStop->running = false;
    }
    std::copy_n(next.bytes.begin(), std::min(length, next.bytes.size()), data);
    return next.result;
}

void hid_close(hid_device *device) { record(device == &theHub ? "close" : "close-wrong"); }

int usleep(useconds_t microseconds) {
    record("pause-" + std::to_string(microseconds));
    return 0;
}

int getaddrinfo(const char *node, const char *service, const addrinfo *hints, addrinfo **result) {
    using Lookup = int (*)(const char *, const char *, const addrinfo *, addrinfo **);
    static const Lookup real = reinterpret_cast<Lookup>(dlsym(RTLD_NEXT, "getaddrinfo"));
    const bool ipv4Only = hints != nullptr && hints->ai_family == AF_INET;
    if (node != nullptr && std::strcmp(node, "localhost") == 0 && !ipv4Only) {
        return real("::1", service, hints, result);
    }
    return real(node, service, hints, result);
}
}
