// Fuzzes the OSC encoder alone: any address bytes (NUL included) and any float list. The packet
// must be the address up to its first NUL in a zero-padded field, the type tags, and each float's
// bits most significant byte first; liblo must decode it to that address and as many floats.
//
// Input: the address length (2 bytes, little-endian), the address, then floats of 4 bytes each.
#include "osc.h"
#include "osc_receiver.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
// Bytes an OSC string of n characters takes: itself, its NUL, and zeros to a multiple of 4.
std::size_t field(std::size_t n) { return (n / 4 + 1) * 4; }

std::vector<char> expectedPacket(const std::string &visible, std::size_t addressField,
                                 const std::vector<float> &values) {
    std::vector<char> packet(visible.begin(), visible.end());
    packet.resize(addressField, 0);
    packet.push_back(',');
    packet.insert(packet.end(), values.size(), 'f');
    packet.resize(addressField + field(values.size() + 1), 0);
    for (float value : values) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int shift = 24; shift >= 0; shift -= 8) {
            packet.push_back(static_cast<char>(bits >> shift));
        }
    }
    return packet;
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

    osc::Message message(address, osc::TimeTag::immediate());
    for (float value : values) {
        message.pushFloat(value);
    }
    osc::PacketWriter writer;
    writer.addMessage(message);
    const std::vector<char> packet(writer.packetData(), writer.packetData() + writer.packetSize());
    const std::string visible = address.substr(0, address.find('\0'));
    if (packet != expectedPacket(visible, field(address.size()), values)) {
        std::abort();
    }
    // Shrunk to the visible address, the packet is well formed.
    std::vector<char> shrunk = expectedPacket(visible, field(visible.size()), values);
    const std::string decoded = OscReceiver::decode(shrunk.data(), shrunk.size());
    const std::string start = visible + " ," + std::string(values.size(), 'f');
    if (decoded.compare(0, start.size(), start) != 0 ||
        (decoded.size() > start.size() && decoded[start.size()] != ' ')) {
        std::abort();
    }
    return 0;
}
