// UTF-8 is checked by hand, so that the result does not depend on the locale; widths come from
// the C library's tables under its built-in C.UTF-8 locale.
#include "printable.h"

#include <algorithm>
#include <clocale>
#include <cwchar>

namespace common {
namespace {

// The length of the well-formed UTF-8 sequence at i, or 0: overlong forms, surrogates, code
// points beyond U+10FFFF, stray continuation bytes and cut-off sequences are not well-formed.
size_t validSequence(std::string_view text, size_t i) {
    auto byte = [&](size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    unsigned lead = byte(i), low = 0x80, high = 0xbf;
    size_t length = lead < 0x80   ? 1
                    : lead < 0xc2 ? 0
                    : lead < 0xe0 ? 2
                    : lead < 0xf0 ? 3
                    : lead < 0xf5 ? 4
                                  : 0;
    if (lead == 0xe0)
        low = 0xa0;
    else if (lead == 0xed)
        high = 0x9f;
    else if (lead == 0xf0)
        low = 0x90;
    else if (lead == 0xf4)
        high = 0x8f;
    for (size_t k = 1; k < length; ++k, low = 0x80, high = 0xbf)
        if (byte(i + k) < low || byte(i + k) > high)
            return 0;
    return length;
}

char32_t codePoint(std::string_view text, size_t i, size_t length) {
    static const unsigned leadBits[] = {0, 0x7f, 0x1f, 0x0f, 0x07};
    char32_t point = static_cast<unsigned char>(text[i]) & leadBits[length];
    for (size_t k = 1; k < length; ++k)
        point = point << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3f);
    return point;
}

// C0, DEL and C1 steer a terminal; the invisible format characters (bidirectional overrides and
// isolates, zero-width characters, line and paragraph separators) reorder or hide what is shown.
bool isControl(char32_t point) {
    return point < 0x20 || (point >= 0x7f && point < 0xa0) || point == 0x61c ||
           (point >= 0x200b && point <= 0x200f) || (point >= 0x2028 && point <= 0x202e) ||
           (point >= 0x2060 && point <= 0x206f) || point == 0xfeff || (point >= 0xfff9 && point <= 0xfffb);
}

// A character's columns; one where the tables do not know it.
int columnsOf(char32_t point) {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    if (point < 0x80 || utf8 == locale_t{})
        return 1;
    locale_t before = uselocale(utf8);
    int columns = wcwidth(static_cast<wchar_t>(point));
    uselocale(before);
    return columns < 0 ? 1 : columns;
}

// Calls step(start, length, columns) for each character of printable text, until it returns false.
template <typename Step> void eachCharacter(std::string_view text, Step step) {
    for (size_t i = 0; i < text.size();) {
        size_t length = validSequence(text, i);
        length = length ? length : 1;
        if (!step(i, length, columnsOf(codePoint(text, i, length))))
            return;
        i += length;
    }
}

} // namespace

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t length = validSequence(text, i);
        if (length == 0 || isControl(codePoint(text, i, length))) {
            out += '?';
            i += length ? length : 1;
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

int displayWidth(std::string_view text) {
    int width = 0;
    eachCharacter(text, [&](size_t, size_t, int columns) { return width += columns, true; });
    return width;
}

std::string cutToWidth(std::string_view text, int width) {
    size_t end = 0;
    int used = 0;
    eachCharacter(text, [&](size_t start, size_t length, int columns) {
        if (used + columns > width)
            return false;
        used += columns;
        end = start + length;
        return true;
    });
    return std::string(text.substr(0, end));
}

std::string padToWidth(std::string_view text, int width) {
    std::string cut = cutToWidth(printable(text), width);
    return cut + std::string(static_cast<size_t>(std::max(0, width - displayWidth(cut))), ' ');
}

} // namespace common
