// Packet bytes of the OSC encoder, compared byte for byte with hand-written packets.
#include "osc.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes fromHex(const std::string &text) {
    Bytes out;
    std::istringstream in(text);
    for (std::string pair; in >> pair;) {
        out.push_back(static_cast<unsigned char>(std::stoul(pair, nullptr, 16)));
    }
    return out;
}

float floatFromBits(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

Bytes pack(const std::string &address, const std::vector<float> &args) {
    osc::Message message(address, osc::TimeTag::immediate());
    for (float f : args) {
        message.pushFloat(f);
    }
    osc::PacketWriter writer;
    writer.addMessage(message);
    const char *data = writer.packetData();
    return data ? Bytes(data, data + writer.packetSize()) : Bytes();
}

struct PacketCase {
    const char *what;
    std::string address;
    std::vector<float> args;
    const char *hex;
};

TEST(OscEncoding, PacketsMatchTheLayoutByteForByte) {
    // One case a line.
    // clang-format off
    const PacketCase cases[] = {
        {"one argument", "/x", {1.0f}, "2f 78 00 00  2c 66 00 00  3f 80 00 00"},
        {"two arguments, 3-byte address", "/ab", {0.5f, -2.0f}, "2f 61 62 00  2c 66 66 00  3f 00 00 00  c0 00 00 00"},
        {"no argument, 4-byte address", "/abc", {}, "2f 61 62 63 00 00 00 00  2c 00 00 00"},
        {"three arguments take 8 tag bytes", "/a", {0, 0, 0}, "2f 61 00 00  2c 66 66 66 00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00"},
        {"negative zero keeps its sign bit", "/z", {-0.0f}, "2f 7a 00 00  2c 66 00 00  80 00 00 00"},
        {"NaN payload passes unchanged", "/n", {floatFromBits(0x7fa12345)}, "2f 6e 00 00  2c 66 00 00  7f a1 23 45"},
        {"address is not validated", "abc", {}, "61 62 63 00  2c 00 00 00"},
        {"address stops at an embedded NUL", std::string("/a\0bcd", 6), {}, "2f 61 00 00 00 00 00 00  2c 00 00 00"},
    };
    // clang-format on
    for (const PacketCase &c : cases) {
        EXPECT_EQ(pack(c.address, c.args), fromHex(c.hex)) << c.what;
    }
}

TEST(OscPacketWriter, SecondMessageFailsTheWriterUntilInit) {
    osc::Message message("/x", osc::TimeTag::immediate());
    osc::PacketWriter writer;
    writer.addMessage(message);
    EXPECT_NE(writer.packetData(), nullptr);
    EXPECT_EQ(writer.packetSize(), 8u);

    writer.addMessage(message);
    EXPECT_EQ(writer.error_code, 10);
    EXPECT_EQ(writer.packetData(), nullptr);
    EXPECT_EQ(writer.packetSize(), 0u);

    writer.init();
    EXPECT_EQ(writer.error_code, 0);
    EXPECT_EQ(writer.packetData(), nullptr);
    writer.addMessage(message);
    EXPECT_EQ(writer.packetSize(), 8u);
}

} // namespace
