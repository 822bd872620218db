// Decodes one datagram as an OSC 1.0 message with liblo; numbers become doubles, other arguments
// short text. Bundles and anything not well formed are rejected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace monitor {

constexpr int kMaxValues = 8; // arguments kept per message; the rest are counted only

struct Value {
    bool numeric = false;
    double number = 0;
    char text[16] = {}; // NUL-terminated, for arguments that are not numbers
};

struct Message {
    std::string_view address; // points into the datagram
    int argc = 0;             // all arguments, of which the first kMaxValues are in values
    Value values[kMaxValues];
    std::string_view types = {}; // its type tags without the comma, also in the datagram
};

// Fills message from a datagram; false when it is not a well-formed OSC message.
bool decodeMessage(const uint8_t *data, size_t size, Message &message);

} // namespace monitor
