// The device link: opening the hub, non-blocking reads, and decoding its 62-byte input reports.
#include "vrennosc.h"

#include "hub_ids.h"

#include <cstdint>
#include <cstring>
#include <unistd.h>

namespace {
constexpr std::size_t bufferSize = 256;
constexpr int reportLength = 62;
constexpr unsigned char reportId = 3;
constexpr unsigned char valueReport = 0;
constexpr unsigned char announcementReport = 1;
constexpr int entriesPerReport = 10;
constexpr useconds_t absentPause = 100000;
constexpr useconds_t emptyReadPause = 1000;

struct Reading {
    int connector;
    int index;
    float value;
};

float littleEndianFloat(const unsigned char *p) {
    const std::uint32_t bits = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                               std::uint32_t(p[3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

Reading decodeEntry(const unsigned char *entry) { return {entry[0], entry[1], littleEndianFloat(entry + 2)}; }

// A NUL-terminated string that starts at offset within the buffer; never reads past its end.
std::string boundedString(const unsigned char *buffer, std::size_t offset) {
    if (offset >= bufferSize) {
        return std::string();
    }
    const char *start = reinterpret_cast<const char *>(buffer + offset);
    const void *nul = std::memchr(start, 0, bufferSize - offset);
    const std::size_t length = nul ? static_cast<const char *>(nul) - start : bufferSize - offset;
    return std::string(start, length);
}

void announce(VrennOSC *owner, const unsigned char *buffer) {
    std::string name = boundedString(buffer, 3);
    // One byte after the name's NUL is skipped; the signature follows it.
    std::string sig = boundedString(buffer, 5 + name.size());
    owner->signature(buffer[2], std::move(name), std::move(sig));
}

// All ten entries are decoded first, then fed in order; the table drops what does not fit.
void feedValues(VrennOSC *owner, const unsigned char *buffer) {
    Reading readings[entriesPerReport];
    for (int k = 0; k < entriesPerReport; ++k) {
        readings[k] = decodeEntry(buffer + 2 + 6 * k);
    }
    for (const Reading &r : readings) {
        owner->newValue(r.value, r.connector, r.index);
    }
}

// Reports of another length, id or type are ignored.
void dispatchReport(VrennOSC *owner, const unsigned char *buffer, int length) {
    if (length != reportLength || buffer[0] != reportId) {
        return;
    }
    if (buffer[1] == valueReport) {
        feedValues(owner, buffer);
    } else if (buffer[1] == announcementReport) {
        announce(owner, buffer);
    }
}
} // namespace

void HIDCommunication::openHID() {
    device = hid_open(hubVendorId, hubProductId, nullptr);
    if (device != nullptr) {
        hid_set_nonblocking(device, 1);
    }
}

void HIDCommunication::run() {
    running = true;
    // A hub that opens but fails every read would otherwise be reopened without a pause.
    bool reportSinceOpen = false;
    while (running) {
        if (device == nullptr) {
            openHID();
            reportSinceOpen = false;
            if (device == nullptr) {
                usleep(absentPause);
            }
        }
        if (device == nullptr) {
            continue;
        }
        unsigned char buffer[bufferSize] = {};
        const int n = hid_read(device, buffer, bufferSize);
        if (n == 0) {
            usleep(emptyReadPause);
        } else if (n < 0) {
            hid_close(device);
            device = nullptr;
            if (!reportSinceOpen) {
                usleep(absentPause);
            }
        } else {
            reportSinceOpen = true;
            dispatchReport(owner, buffer, n);
        }
    }
}
