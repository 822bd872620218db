// Reads a take's line back into the datagram it stands for: the address, a comma and the type
// tags, then each argument, every part padded with zeros to a multiple of 4 bytes, most
// significant byte first.
#include "take_line.h"

#include "datagram.h"

#include <charconv>
#include <cstring>

namespace common {
namespace {

void splitWords(std::string_view line, std::vector<std::string_view> &out) {
    out.clear();
    size_t at = 0;
    while (at < line.size()) {
        size_t end = line.find(' ', at);
        if (end == std::string_view::npos)
            end = line.size();
        if (end > at)
            out.push_back(line.substr(at, end - at));
        at = end + 1;
    }
}

int hexDigit(char c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
}

bool parseTimeTag(std::string_view word, uint64_t &timeTag) {
    if (word.size() != 17 || word[8] != '.')
        return false;
    timeTag = 0;
    for (size_t i = 0; i < word.size(); ++i) {
        int digit = i == 8 ? 0 : hexDigit(word[i]);
        if (digit < 0)
            return false;
        if (i != 8)
            timeTag = timeTag << 4 | static_cast<uint64_t>(digit);
    }
    return true;
}

// A raw line's datagram: after '#', its bytes in hex, an OSC message's (an address first, a
// multiple of 4 bytes long).
bool parseRaw(std::string_view hex, std::vector<uint8_t> &datagram, std::string &error) {
    error.clear();
    for (size_t i = 0; i + 1 < hex.size() && hexDigit(hex[i]) >= 0 && hexDigit(hex[i + 1]) >= 0; i += 2)
        datagram.push_back(static_cast<uint8_t>(hexDigit(hex[i]) << 4 | hexDigit(hex[i + 1])));
    if (datagram.size() * 2 != hex.size())
        error = "after '#', not the message's bytes in hex";
    else if (datagram.empty() || datagram[0] != '/' || datagram.size() % 4 != 0)
        error = "after '#', bytes that are not an OSC message";
    else if (datagram.size() > kMaxDatagram)
        error = "the message has " + std::to_string(datagram.size()) + " bytes, more than a datagram holds";
    return error.empty();
}

void putString(std::string_view text, std::vector<uint8_t> &out) {
    out.insert(out.end(), text.begin(), text.end());
    out.resize((out.size() + 4) & ~size_t(3), 0);
}

void putBigEndian(uint64_t value, int bytes, std::vector<uint8_t> &out) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

// One argument of the given type; a string may be quoted, as oscdump writes it, or bare. A number
// too large for its type is refused rather than clamped.
bool putArgument(char type, std::string_view word, std::vector<uint8_t> &out) {
    if (type == 's') {
        if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
            word = word.substr(1, word.size() - 2);
        if (!isTakeWord(word))
            return false;
        putString(word, out);
        return true;
    }
    const char *end = word.data() + word.size();
    std::from_chars_result read{};
    uint64_t bits = 0;
    if (type == 'f') {
        float value = 0;
        read = std::from_chars(word.data(), end, value);
        uint32_t narrow;
        std::memcpy(&narrow, &value, 4);
        bits = narrow;
    } else if (type == 'd') {
        double value = 0;
        read = std::from_chars(word.data(), end, value);
        std::memcpy(&bits, &value, 8);
    } else if (type == 'i') {
        int32_t value = 0;
        read = std::from_chars(word.data(), end, value);
        bits = static_cast<uint32_t>(value);
    } else {
        int64_t value = 0;
        read = std::from_chars(word.data(), end, value);
        bits = static_cast<uint64_t>(value);
    }
    putBigEndian(bits, type == 'f' || type == 'i' ? 4 : 8, out);
    return read.ec == std::errc() && read.ptr == end;
}

const char *typeName(char type) {
    switch (type) {
    case 'f':
        return "a float";
    case 'i':
        return "a 32-bit integer";
    case 'h':
        return "a 64-bit integer";
    case 'd':
        return "a double";
    default:
        return "a string without quotes inside";
    }
}

std::string quoted(std::string_view word) {
    return "'" + std::string(word.substr(0, 40)) + (word.size() > 40 ? "...'" : "'");
}

} // namespace

bool isTakeWord(std::string_view text) {
    for (char c : text)
        if (c <= ' ' || c > '~' || c == '"')
            return false;
    return true;
}

bool parseTakeLine(std::string_view line, uint64_t &timeTag, std::vector<uint8_t> &datagram,
                   std::string &error) {
    thread_local std::vector<std::string_view> parts; // kept, as a recorder reads back every line
    splitWords(line, parts);
    datagram.clear();
    if (parts.empty() || !parseTimeTag(parts[0], timeTag)) {
        error = "the line does not start with a time tag like eec179cf.537bbf93";
        return false;
    }
    if (parts.size() == 2 && parts[1][0] == '#')
        return parseRaw(parts[1].substr(1), datagram, error);
    if (parts.size() < 2 || parts[1][0] != '/' || !isTakeWord(parts[1])) {
        error = "no address after the time tag: one starting with '/', in printable ASCII";
        return false;
    }
    std::string_view types = parts.size() > 2 ? parts[2] : "";
    if (parts.size() > 2 && parts.size() != 3 + types.size()) {
        error = std::to_string(types.size()) + " type tags but " + std::to_string(parts.size() - 3) +
                " arguments";
        return false;
    }
    putString(parts[1], datagram);
    putString("," + std::string(types), datagram);
    for (size_t i = 0; i < types.size(); ++i) {
        if (types[i] == '\0' || std::strchr("fihds", types[i]) == nullptr) {
            error = "type " + quoted(types.substr(i, 1)) + " is not one of f i h d s";
            return false;
        }
        if (!putArgument(types[i], parts[3 + i], datagram)) {
            error = "argument " + std::to_string(i + 1) + " " + quoted(parts[3 + i]) + " is not " +
                    typeName(types[i]);
            return false;
        }
    }
    if (datagram.size() > kMaxDatagram) {
        error = "the message has " + std::to_string(datagram.size()) + " bytes, more than a datagram holds";
        return false;
    }
    return true;
}

} // namespace common
