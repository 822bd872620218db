// Decoding through liblo's low-level calls; liblo rejects bad padding, sizes and type strings.
#include "osc_check.h"

#include <cstdint>
#include <cstring>
#include <lo/lo.h>

namespace {
std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::string compareArguments(lo_message message, const std::vector<float> &expected) {
    const std::string types = lo_message_get_types(message);
    if (types != std::string(expected.size(), 'f')) {
        return "type tags ," + types + " for " + std::to_string(expected.size()) + " floats";
    }
    lo_arg **argv = lo_message_get_argv(message);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        // liblo packs its arguments at 4-byte offsets, below lo_arg's own alignment: copy the bits.
        std::uint32_t bits;
        std::memcpy(&bits, static_cast<const void *>(argv[i]), sizeof bits);
        if (bits != bitsOf(expected[i])) {
            return "argument " + std::to_string(i) + " differs";
        }
    }
    return std::string();
}
} // namespace

std::string compareDatagram(const std::vector<unsigned char> &datagram, const ExpectedMessage &expected) {
    std::vector<unsigned char> copy(datagram);
    int result = 0;
    lo_message message = lo_message_deserialise(copy.data(), copy.size(), &result);
    if (message == nullptr) {
        return "not a valid OSC message (liblo error " + std::to_string(result) + ")";
    }
    std::string difference;
    const char *path = lo_get_path(copy.data(), static_cast<ssize_t>(copy.size()));
    if (path == nullptr || expected.address != path) {
        difference = "address " + std::string(path ? path : "(none)") + ", expected " + expected.address;
    } else {
        difference = compareArguments(message, expected.values);
    }
    lo_message_free(message);
    return difference;
}
