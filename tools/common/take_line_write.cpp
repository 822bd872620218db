// Turns a datagram into its take's line. The words are read back and compared with the datagram,
// so that whatever words cannot give back exactly (padding that is not zero, a NaN payload, an
// old message without type tags) is written raw rather than changed.
#include "take_line.h"

#include "datagram.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace common {
namespace {

// Reads the OSC string at data[at]: NUL-terminated within size; moves at past its padding.
bool takeString(const uint8_t *data, size_t size, size_t &at, std::string_view &text) {
    const void *end = at < size ? std::memchr(data + at, 0, size - at) : nullptr;
    if (end == nullptr)
        return false;
    text = std::string_view(reinterpret_cast<const char *>(data + at),
                            static_cast<const uint8_t *>(end) - (data + at));
    at += (text.size() + 4) & ~size_t(3);
    return at <= size;
}

bool takeBigEndian(const uint8_t *data, size_t size, size_t &at, int bytes, uint64_t &value) {
    if (at > size || size - at < static_cast<size_t>(bytes))
        return false;
    value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | data[at++];
    return true;
}

// The shortest text that gives the float back, whether a reader parses it as a float or as a
// double it then narrows; otherwise all the digits of the float's exact double.
void appendFloat(uint32_t bits, std::string &out) {
    float value;
    std::memcpy(&value, &bits, 4);
    char text[48];
    char *end = std::to_chars(text, text + sizeof text - 1, value).ptr;
    *end = '\0';
    double wide = 0;
    std::from_chars(text, end, wide);
    float narrowed = static_cast<float>(wide);
    if (std::memcmp(&narrowed, &bits, 4) != 0)
        std::snprintf(text, sizeof text, "%.17g", static_cast<double>(value));
    out += text;
}

bool appendArgument(char type, const uint8_t *data, size_t size, size_t &at, std::string &out) {
    uint64_t raw = 0;
    char text[48];
    std::string_view word;
    switch (type) {
    case 'f':
        if (!takeBigEndian(data, size, at, 4, raw))
            return false;
        appendFloat(static_cast<uint32_t>(raw), out);
        return true;
    case 'i':
        if (!takeBigEndian(data, size, at, 4, raw))
            return false;
        out += std::to_string(static_cast<int32_t>(static_cast<uint32_t>(raw)));
        return true;
    case 'h':
        if (!takeBigEndian(data, size, at, 8, raw))
            return false;
        out += std::to_string(static_cast<int64_t>(raw));
        return true;
    case 'd': {
        if (!takeBigEndian(data, size, at, 8, raw))
            return false;
        double value;
        std::memcpy(&value, &raw, 8);
        out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
        return true;
    }
    case 's':
        if (!takeString(data, size, at, word) || !isTakeWord(word))
            return false;
        out += '"';
        out += word;
        out += '"';
        return true;
    default:
        return false;
    }
}

// Puts the time tag and the space after it in line; returns their length.
size_t writeTimeTag(uint64_t timeTag, std::string &line) {
    char tag[24];
    int length = std::snprintf(tag, sizeof tag, "%08x.%08x ", static_cast<unsigned>(timeTag >> 32),
                               static_cast<unsigned>(timeTag & 0xffffffffu));
    line = tag;
    return static_cast<size_t>(length);
}

// The line without its newline, or false when the datagram is not a message of the line's kinds.
bool writeLine(const uint8_t *data, size_t size, uint64_t timeTag, std::string &line) {
    std::string_view address, types;
    size_t at = 0;
    if (!takeString(data, size, at, address) || address.empty() || address[0] != '/' ||
        !isTakeWord(address) || !takeString(data, size, at, types) || types.empty() || types[0] != ',')
        return false;
    writeTimeTag(timeTag, line);
    line += address;
    if (types.size() > 1)
        line.append(" ").append(types.substr(1));
    for (char type : types.substr(1)) {
        line += ' ';
        if (!appendArgument(type, data, size, at, line))
            return false;
    }
    return at == size;
}

} // namespace

bool appendTakeLine(const uint8_t *data, size_t size, uint64_t timeTag, std::string &out) {
    thread_local std::string line, error; // kept, as a recorder writes many lines
    thread_local std::vector<uint8_t> back;
    uint64_t backTag = 0;
    if (size == 0 || size % 4 != 0 || data[0] != '/' || size > kMaxDatagram)
        return false;
    if (writeLine(data, size, timeTag, line) && parseTakeLine(line, backTag, back, error) &&
        back.size() == size && std::memcmp(back.data(), data, size) == 0) {
        out += line;
        out += '\n';
        return true;
    }
    static const char digits[] = "0123456789abcdef";
    size_t tagLength = writeTimeTag(timeTag, line);
    out.append(line, 0, tagLength);
    out += '#';
    for (size_t i = 0; i < size; ++i)
        out.append({digits[data[i] >> 4], digits[data[i] & 15]});
    out += '\n';
    return true;
}

} // namespace common
