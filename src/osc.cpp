// OSC 1.0 message encoding: byte order, padding and the packet layout.
#include "osc.h"

#include <cassert>
#include <cstring>

namespace osc {

namespace {
constexpr std::size_t reservedBytes = 200;

// Copies text up to its first NUL; the zero-filled field supplies the terminator and padding.
void copyUntilNul(char *field, const std::string &text) {
    const void *nul = std::memchr(text.data(), 0, text.size());
    std::memcpy(field, text.data(), nul ? static_cast<const char *>(nul) - text.data() : text.size());
}

} // namespace

// Shifting the bit pattern gives the most significant byte first on any host, in a few
// instructions where a byte loop over the memory image takes dozens.
void pod2bytes(float value, char *out) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    out[0] = static_cast<char>(bits >> 24);
    out[1] = static_cast<char>(bits >> 16);
    out[2] = static_cast<char>(bits >> 8);
    out[3] = static_cast<char>(bits);
}

Storage::Storage() { data.reserve(reservedBytes); }

char *Storage::getBytes(std::size_t n) {
    assert((data.size() & 3) == 0);
    const std::size_t oldSize = data.size();
    if (oldSize + n > data.capacity()) {
        data.reserve(2 * (oldSize + n));
    }
    data.resize(oldSize + ceil4(n));
    return data.data() + oldSize;
}

Message::Message(const std::string &address, TimeTag tt) : send_time(tt), address_pattern(address) {}

Message::Message(std::string &&address, TimeTag tt) : send_time(tt), address_pattern(std::move(address)) {}

Message &Message::pushPod(int tag, float value) {
    tag_chars += static_cast<char>(tag);
    char bytes[4];
    pod2bytes(value, bytes);
    // Appending the four bytes directly spares zero-filling them first; the capacity grows
    // exactly as getBytes(4) would grow it.
    std::vector<char> &data = arg_bytes.data;
    if (data.size() + 4 > data.capacity()) {
        data.reserve(2 * (data.size() + 4));
    }
    data.push_back(bytes[0]);
    data.push_back(bytes[1]);
    data.push_back(bytes[2]);
    data.push_back(bytes[3]);
    return *this;
}

// One extension takes all three fields; the zeros it supplies are the terminators and padding.
void Message::packMessage(Storage &target) const {
    const std::size_t addressField = ceil4(address_pattern.size() + 1);
    const std::size_t tagField = ceil4(tag_chars.size() + 2);
    char *out = target.getBytes(addressField + tagField + arg_bytes.size());
    copyUntilNul(out, address_pattern);
    out[addressField] = ',';
    copyUntilNul(out + addressField + 1, tag_chars);
    if (arg_bytes.size() != 0) {
        std::memcpy(out + addressField + tagField, arg_bytes.data.data(), arg_bytes.size());
    }
}

PacketWriter &PacketWriter::init() {
    error_code = 0;
    packet_bytes.clear();
    return *this;
}

PacketWriter &PacketWriter::addMessage(const Message &message) {
    if (packet_bytes.size() == 0) {
        message.packMessage(packet_bytes);
    } else if (error_code == 0) {
        error_code = 10;
    }
    return *this;
}

} // namespace osc
