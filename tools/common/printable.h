// Outside text made safe and measurable for a terminal or a page: the one escaping function, and
// widths counted in terminal columns rather than bytes.
#pragma once

#include <string>
#include <string_view>

namespace common {

// C0, DEL, C1, invisible format characters (bidirectional controls, zero-width characters) and
// each byte of ill-formed UTF-8 become '?'; the rest is kept.
std::string printable(std::string_view text);
// The columns printable text takes on a terminal: two for a wide character, none for a combining one.
int displayWidth(std::string_view text);
// The longest start of printable text that fits in width columns, never splitting a character.
std::string cutToWidth(std::string_view text, int width);
// Printable text cut to width columns, then padded with spaces to width.
std::string padToWidth(std::string_view text, int width);

} // namespace common
