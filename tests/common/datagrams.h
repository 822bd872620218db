// Datagrams for tests, written as hex or as a take's line.
#pragma once

#include "take_line.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

inline std::vector<uint8_t> fromHex(const std::string &hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// The datagram a take's line stands for; a line that does not read fails the test.
inline std::vector<uint8_t> datagramOf(const std::string &line) {
    uint64_t tag = 0;
    std::vector<uint8_t> datagram;
    std::string error;
    EXPECT_TRUE(common::parseTakeLine(line, tag, datagram, error)) << line << ": " << error;
    return datagram;
}
