// A take's lines, both ways: what is written exactly, what is refused, and what a bad line says.
#include "datagrams.h"
#include "take_line.h"

#include <cfloat>
#include <cstring>
#include <gtest/gtest.h>

namespace common {

// Each line is read into a datagram and written back as the same line.
TEST(TakeLine, LinesGiveBackTheirDatagrams) {
    for (std::string line : {
             "eec179cf.537bbf93 /vrenn/I2C-accel fff 0.1 -9.81 1e-07",
             "00000001.00000000 /x ffff 3.4e+38 1.1754944e-38 0.99999994 -0",
             "00000001.00000000 /x fff 1e-45 inf -inf",
             "00000001.00000000 /x f nan",
             "ffffffff.ffffffff /x ihds -2147483648 -9223372036854775808 0.1 \"word\"",
             "00000001.00000000 /x s \"\"",
             "00000001.00000000 /x",
         }) {
        std::vector<uint8_t> datagram = datagramOf(line);
        std::string written;
        ASSERT_TRUE(appendTakeLine(datagram.data(), datagram.size(),
                                   std::stoull(line.substr(0, 8), nullptr, 16) << 32 |
                                       std::stoull(line.substr(9, 8), nullptr, 16),
                                   written))
            << line;
        EXPECT_EQ(written, line + "\n");
    }
}

// Floats whose six-decimal form is wrong come back with every bit, read as floats or as doubles.
TEST(TakeLine, FloatsComeBackExactly) {
    for (float value :
         {0.1f, 1e-7f, 3.4e38f, FLT_MIN, 0.99999994f, FLT_MAX, FLT_TRUE_MIN, -0.0f, 16777217.0f}) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        std::vector<uint8_t> datagram = fromHex("2f7800002c660000");
        for (int shift = 24; shift >= 0; shift -= 8)
            datagram.push_back(static_cast<uint8_t>(bits >> shift));
        std::string line;
        ASSERT_TRUE(appendTakeLine(datagram.data(), datagram.size(), 1ull << 32, line)) << value;
        EXPECT_EQ(datagramOf(line.substr(0, line.size() - 1)), datagram) << line;
        float narrowed = static_cast<float>(std::strtod(line.c_str() + 23, nullptr));
        EXPECT_EQ(std::memcmp(&narrowed, &bits, 4), 0) << line;
    }
}

// Messages that words cannot say exactly are written raw, and read back byte for byte; what is
// not an OSC message is not written.
TEST(TakeLine, OtherMessagesAreWrittenRaw) {
    for (std::string hex : {
             "2f6d79206b6e6f62000000002c660000bf800000",         // a space in the address: "/my knob"
             "2f74656d70c3a97261747572650000002c6600003f800000", // UTF-8: "/température"
             "2f7400002c73000061206200",                         // a string with a space
             "2f7400002c73000061226200",                         // a quote
             "2f7400002c7300001b5b326a00000000",                 // a control character
             "2f7400002c730000ff000000",                         // invalid UTF-8
             "2f7400002c6200000000000101000000",                 // a blob
             "2f7400002c544649",                                 // T F I, with no arguments
             "2f7800002c6600007fc00001",                         // a NaN with a payload
             "2f7801002c6600003f800000",                         // padding that is not zero
             "2f780000",                                         // no type tags
         }) {
        std::vector<uint8_t> datagram = fromHex(hex);
        std::string line;
        ASSERT_TRUE(appendTakeLine(datagram.data(), datagram.size(), 0xeec179cf537bbf93, line)) << hex;
        EXPECT_EQ(line, "eec179cf.537bbf93 #" + hex + "\n");
        EXPECT_EQ(datagramOf(line.substr(0, line.size() - 1)), datagram) << line;
    }
    for (std::string hex : {"", "78797a00", "2f78"}) { // nothing, no address, not a multiple of 4 bytes
        std::vector<uint8_t> datagram = fromHex(hex);
        std::string out = "before\n";
        EXPECT_FALSE(appendTakeLine(datagram.data(), datagram.size(), 1, out)) << hex;
        EXPECT_EQ(out, "before\n") << hex;
    }
}

// Lines that cannot be played, and what the error says.
TEST(TakeLine, BadLinesSayWhatIsWrong) {
    const std::pair<const char *, const char *> cases[] = {
        {"", "does not start with a time tag"},
        {"eec179cf537bbf93 /x", "does not start with a time tag"},
        {"eec179cf.537bbf93", "no address"},
        {"eec179cf.537bbf93 x f 1", "no address"},
        {"eec179cf.537bbf93 /x ff 1", "2 type tags but 1 arguments"},
        {"eec179cf.537bbf93 /x f 0,5", "argument 1 '0,5' is not a float"},
        {"eec179cf.537bbf93 /x f 1e39", "argument 1 '1e39' is not a float"},
        {"eec179cf.537bbf93 /x fi 1 2147483648", "argument 2 '2147483648' is not a 32-bit integer"},
        {"eec179cf.537bbf93 /x s \"a\"b\"", "is not a string"},
        {"eec179cf.537bbf93 /x T #T", "type 'T' is not one of f i h d s"},
        {"eec179cf.537bbf93 #2f78000", "not the message's bytes in hex"},
        {"eec179cf.537bbf93 #2f78zz00", "not the message's bytes in hex"},
        {"eec179cf.537bbf93 #78797a00", "not an OSC message"},
    };
    for (const auto &[line, expected] : cases) {
        uint64_t tag;
        std::vector<uint8_t> datagram;
        std::string error;
        EXPECT_FALSE(parseTakeLine(line, tag, datagram, error)) << line;
        EXPECT_NE(error.find(expected), std::string::npos) << line << ": " << error;
    }
}

} // namespace common
