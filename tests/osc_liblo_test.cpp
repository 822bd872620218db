// The encoder's packets decoded by liblo, an OSC implementation written elsewhere: what it reads
// back must be the address, type tags and values we encoded.
#include "osc.h"
#include "packet_bytes.h"

#include <gtest/gtest.h>
#include <lo/lo.h>

namespace {

struct Decoded {
    int result = -1;
    std::string path;
    std::string types;
    std::vector<std::uint32_t> valueBits;
};

Decoded decodeWithLiblo(std::vector<char> packet) {
    Decoded out;
    lo_message m = lo_message_deserialise(packet.data(), packet.size(), &out.result);
    if (m == nullptr) {
        return out;
    }
    out.path = lo_get_path(packet.data(), static_cast<ssize_t>(packet.size()));
    out.types = lo_message_get_types(m);
    lo_arg **argv = lo_message_get_argv(m);
    for (int i = 0; i < lo_message_get_argc(m); ++i) {
        // liblo's argument pointers are not aligned for its union type: copy the 4 bytes out.
        std::uint32_t bits;
        std::memcpy(&bits, argv[i], sizeof bits);
        out.valueBits.push_back(bits);
    }
    lo_message_free(m);
    return out;
}

std::vector<char> encode(const std::string &address, const std::vector<float> &values) {
    osc::Message message(address, osc::TimeTag::immediate());
    for (float v : values) {
        message.pushFloat(v);
    }
    osc::PacketWriter writer;
    writer.addMessage(message);
    return std::vector<char>(writer.packetData(), writer.packetData() + writer.packetSize());
}

TEST(OscLiblo, DecodesAddressTagsAndValues) {
    const std::vector<std::pair<std::string, std::vector<float>>> messages = {
        {"/vrenn/A0-light", {0.5f, 0.25f, 0.75f}},
        {"/vrenn/UART-", {}},
        {"/vrenn/D2-button", {1.0f}},
        {"/abc", {-0.0f, floatFromBits(0x7fa12345), 3.4e38f, -1.5e-45f}},
        {"/vrenn/I2C-accel/x y", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}},
        {"/" + std::string(199, 'n'), {42.0f}},
    };
    for (const auto &[address, values] : messages) {
        const Decoded decoded = decodeWithLiblo(encode(address, values));
        ASSERT_EQ(decoded.result, 0) << address;
        EXPECT_EQ(decoded.path, address);
        EXPECT_EQ(decoded.types, std::string(values.size(), 'f')) << address;
        std::vector<std::uint32_t> expectedBits;
        for (float v : values) {
            expectedBits.push_back(bitsOfFloat(v));
        }
        EXPECT_EQ(decoded.valueBits, expectedBits) << address;
    }
}

} // namespace
