// OSC 1.0 message encoding: byte order, padding and the packet layout.
#include "osc.h"

#include <cassert>
#include <cstring>

namespace osc {

namespace {
constexpr std::size_t reservedBytes = 200;

// Copies text up to its first NUL; the zero-filled field supplies the terminator and padding.
void copyUntilNul(char *field, const std::string &text) {
    const std::size_t nul = text.find('\0');
    std::memcpy(field, text.data(), nul == std::string::npos ? text.size() : nul);
}
} // namespace

void pod2bytes(float value, char *out) {
    char image[4];
    std::memcpy(image, &value, 4);
    const bool big = isBigEndian();
    for (int i = 0; i < 4; ++i) {
        out[i] = image[big ? i : 3 - i];
    }
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

Message &Message::pushPod(int tag, float value) {
    tag_chars += static_cast<char>(tag);
    pod2bytes(value, arg_bytes.getBytes(4));
    return *this;
}

void Message::packMessage(Storage &target) const {
    copyUntilNul(target.getBytes(address_pattern.size() + 1), address_pattern);
    char *tags = target.getBytes(tag_chars.size() + 2);
    tags[0] = ',';
    copyUntilNul(tags + 1, tag_chars);
    if (arg_bytes.size() != 0) {
        std::memcpy(target.getBytes(arg_bytes.size()), arg_bytes.data.data(), arg_bytes.size());
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
