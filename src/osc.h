// OSC 1.0 message encoding: an address and float arguments become the bytes of one packet.
// Only the subset the bridge sends: one message per packet, 'f' arguments, no bundles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace osc {

// Writes the float's 4 bytes most significant first; the bit pattern passes unchanged (-0.0, NaN payloads).
void pod2bytes(float value, char *out);

// The smallest multiple of 4 not below n.
inline std::size_t ceil4(std::size_t n) { return (n + 3) & ~std::size_t(3); }

class TimeTag {
public:
    explicit TimeTag(std::uint64_t v) : value(v) {}
    static TimeTag immediate() { return TimeTag(1); }

    std::uint64_t value;
};

// Growable byte buffer whose size is always a multiple of 4.
class Storage {
public:
    Storage();
    std::size_t size() const { return data.size(); }
    char *begin() { return data.empty() ? nullptr : data.data(); }
    char *getBytes(std::size_t n);
    void clear() { data.clear(); }

    std::vector<char> data;
};

class Message {
public:
    Message(const std::string &address, TimeTag tt);
    // Takes over a freshly built address instead of copying it.
    Message(std::string &&address, TimeTag tt);
    Message &pushFloat(float value) { return pushPod(102, value); }
    Message &pushPod(int tag, float value);
    void packMessage(Storage &target) const;

    TimeTag send_time;
    std::string address_pattern;
    std::string tag_chars;
    Storage arg_bytes;
};

// Holds the bytes of exactly one message; a second one is refused with error code 10.
class PacketWriter {
public:
    PacketWriter() { init(); }
    PacketWriter &init();
    PacketWriter &addMessage(const Message &message);
    char *packetData() { return error_code ? nullptr : packet_bytes.begin(); }
    std::uint32_t packetSize() const {
        return error_code ? 0 : static_cast<std::uint32_t>(packet_bytes.size());
    }

    Storage packet_bytes;
    std::int32_t error_code = 0;
};

} // namespace osc
