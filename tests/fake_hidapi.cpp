// Scripted hidapi: replaces hid_open, hid_set_nonblocking, hid_read and hid_close at link time.
#include "fake_hidapi.h"

#include "vrennosc.h"

#include <algorithm>
#include <cstring>
#include <deque>

struct hid_device_ {
    int unused;
};

namespace {
struct Read {
    int result;
    std::vector<unsigned char> bytes;
};

hid_device_ theHub;
int absentOpens = 0;
std::deque<Read> reads;
std::vector<std::string> log;
HIDCommunication *linkToStop = nullptr;
HIDCommunication *linkToStopAtLast = nullptr;
} // namespace

namespace fakehid {
void reset() {
    absentOpens = 0;
    reads.clear();
    log.clear();
    linkToStop = nullptr;
    linkToStopAtLast = nullptr;
}
void hubAbsentFor(int count) { absentOpens = count; }
void queueReport(const unsigned char *bytes, int length) {
    reads.push_back({length, std::vector<unsigned char>(bytes, bytes + length)});
}
void queueReport(const std::vector<unsigned char> &bytes) {
    queueReport(bytes.data(), static_cast<int>(bytes.size()));
}
void queueNoReport() { reads.push_back({0, {}}); }
void queueUnplug() { reads.push_back({-1, {}}); }
void stopWhenDone(HIDCommunication *link) { linkToStop = link; }
void stopAtLastRead(HIDCommunication *link) { linkToStopAtLast = link; }
const std::vector<std::string> &calls() { return log; }
} // namespace fakehid

extern "C" {
hid_device *hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t *serial_number) {
    if (absentOpens > 0 || vendor_id != 0x2341 || product_id != 0x8036 || serial_number != nullptr) {
        absentOpens = std::max(0, absentOpens - 1);
        log.push_back("open-none");
        return nullptr;
    }
    log.push_back("open");
    return &theHub;
}

int hid_set_nonblocking(hid_device *device, int nonblock) {
    log.push_back(device == &theHub && nonblock == 1 ? "nonblocking" : "nonblocking-wrong");
    return 0;
}

int hid_read(hid_device *device, unsigned char *data, size_t length) {
    log.push_back(device == &theHub ? "read" : "read-wrong-device");
    if (reads.empty()) {
        if (linkToStop != nullptr) {
            linkToStop->running = false;
        }
        return 0;
    }
    Read next = reads.front();
    reads.pop_front();
    if (reads.empty() && linkToStopAtLast != nullptr) {
        linkToStopAtLast->running = false;
    }
    if (!next.bytes.empty()) { // an unplug carries no bytes, and memcpy must not see its null data
        std::memcpy(data, next.bytes.data(), std::min(length, next.bytes.size()));
    }
    return next.result;
}

void hid_close(hid_device *device) { log.push_back(device == &theHub ? "close" : "close-wrong-device"); }
}
