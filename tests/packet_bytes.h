// Helpers shared by the tests: packets as byte vectors and hex text.
#pragma once

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// "2f 78 00" -> {0x2f, 0x78, 0x00}; whitespace is ignored.
inline Bytes fromHex(const std::string &text) {
    Bytes out;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair) {
        out.push_back(static_cast<unsigned char>(std::stoul(pair, nullptr, 16)));
    }
    return out;
}

inline float floatFromBits(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

inline std::uint32_t bitsOfFloat(float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}
