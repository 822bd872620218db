// Fuzzes the OSC encoder alone: any address bytes (NUL included) and any float list. The packet's
// length must follow from the address and the count; with the address cut at its first NUL and
// the field shrunk to match, liblo must decode it to that address and exactly those floats.
//
// Input: the address length (2 bytes, little-endian), the address, then floats of 4 bytes each.
#include "osc.h"
#include "osc_check.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
[[noreturn]] void fail(const std::string &what) {
    std::fprintf(stderr, "encoder fuzzer: %s\n", what.c_str());
    std::abort();
}

// Bytes an OSC string of n characters takes: itself, its NUL, and zeros to a multiple of 4.
std::size_t stringField(std::size_t n) { return (n / 4 + 1) * 4; }

std::vector<unsigned char> encode(const std::string &address, const std::vector<float> &values) {
    osc::Message message(address, osc::TimeTag::immediate());
    for (float value : values) {
        message.pushFloat(value);
    }
    osc::PacketWriter writer;
    writer.addMessage(message);
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(writer.packetData());
    if (bytes == nullptr) {
        fail("the writer holds no packet");
    }
    return std::vector<unsigned char>(bytes, bytes + writer.packetSize());
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::size_t addressLength = std::min<std::size_t>(data[0] | data[1] << 8, size - 2);
    const std::string address(reinterpret_cast<const char *>(data + 2), addressLength);
    std::vector<float> values((size - 2 - addressLength) / 4);
    if (!values.empty()) {
        std::memcpy(values.data(), data + 2 + addressLength, values.size() * sizeof(float));
    }

    const std::vector<unsigned char> packet = encode(address, values);
    const std::size_t field = stringField(address.size());
    if (packet.size() != field + stringField(values.size() + 1) + 4 * values.size()) {
        fail("packet of " + std::to_string(packet.size()) + " bytes");
    }
    // Whatever follows a NUL inside the address must not reach the packet.
    const std::string visible = address.substr(0, address.find('\0'));
    if (std::memcmp(packet.data(), visible.data(), visible.size()) != 0 ||
        std::any_of(packet.begin() + visible.size(), packet.begin() + field,
                    [](unsigned char b) { return b; })) {
        fail("address field differs");
    }
    std::vector<unsigned char> wellFormed(packet.begin(), packet.begin() + stringField(visible.size()));
    wellFormed.insert(wellFormed.end(), packet.begin() + field, packet.end());
    const std::string difference = compareDatagram(wellFormed, {visible, values});
    if (!difference.empty()) {
        fail(difference);
    }
    return 0;
}
