// A parser for the one shape of object clients send: string keys, and values that are strings or
// plain words and numbers. Anything else is refused, never guessed at.
#include "command.h"

#include <cctype>
#include <cstdlib>

namespace monitor {

namespace {

struct Reader {
    std::string_view text;
    size_t at = 0;

    void skipSpace() {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
            ++at;
    }
    bool take(char c) {
        skipSpace();
        return at < text.size() && text[at] == c ? (++at, true) : false;
    }
    void append(std::string &out, unsigned long code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xc0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3f));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xe0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3f));
            out += static_cast<char>(0x80 | (code & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | code >> 18);
            out += static_cast<char>(0x80 | (code >> 12 & 0x3f));
            out += static_cast<char>(0x80 | (code >> 6 & 0x3f));
            out += static_cast<char>(0x80 | (code & 0x3f));
        }
    }
    bool hex4(unsigned long &code) {
        if (at + 4 > text.size())
            return false;
        std::string digits(text.substr(at, 4));
        char *end = nullptr;
        code = std::strtoul(digits.c_str(), &end, 16);
        at += 4;
        return end == digits.c_str() + 4;
    }
    bool escape(std::string &out) {
        char c = text[at++];
        const std::string_view plain = "\"\\/bfnrt", meant = "\"\\/\b\f\n\r\t";
        if (size_t i = plain.find(c); i != plain.npos)
            return out += meant[i], true;
        unsigned long code, low;
        if (c != 'u' || !hex4(code))
            return false;
        if (code >= 0xd800 && code < 0xdc00) { // the first half of a pair
            if (text.substr(at, 2) != "\\u" || (at += 2, !hex4(low)) || low < 0xdc00 || low >= 0xe000)
                return false;
            code = 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
        } else if (code >= 0xdc00 && code < 0xe000) {
            return false;
        }
        append(out, code);
        return true;
    }
    bool string(std::string &out) {
        if (!take('"'))
            return false;
        while (at < text.size()) {
            char c = text[at++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20 || (c == '\\' && (at == text.size() || !escape(out))))
                return false;
            if (c != '\\')
                out += c;
        }
        return false;
    }
    // A number, true, false or null: only skipped.
    bool word() {
        skipSpace();
        size_t start = at;
        while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) ||
                                    std::string_view("+-.").find(text[at]) != std::string_view::npos))
            ++at;
        return at > start;
    }
};

} // namespace

std::optional<Command> parseCommand(std::string_view text) {
    Reader reader{text};
    Command command;
    bool named = false, given = false;
    if (!reader.take('{'))
        return std::nullopt;
    for (bool first = true; !reader.take('}'); first = false) {
        std::string key, value;
        if ((!first && !reader.take(',')) || !reader.string(key) || !reader.take(':'))
            return std::nullopt;
        reader.skipSpace();
        bool isString = reader.at < text.size() && text[reader.at] == '"';
        if (isString ? !reader.string(value) : !reader.word())
            return std::nullopt;
        if (key == "COMMAND" && isString)
            command.name = value, named = true;
        else if (key == "DATA" && isString)
            command.data = value, given = true;
    }
    reader.skipSpace();
    if (reader.at != text.size() || !named || !given)
        return std::nullopt;
    return command;
}

} // namespace monitor
