// A line of a take (a recording), written and read: the format liblo's oscsendfile also reads: a time tag,
// the address, the type tags and the arguments, separated by single spaces, e.g.
//   eec179cf.537bbf93 /hub/accel fff 0.1 -9.81 1e-07
// Only messages that a line gives back byte for byte are written: f i h d arguments, and strings
// of printable ASCII without spaces or quotes. Floats are written in their shortest exact form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace common {

// Whether text can stand in a line as an address or a string: printable ASCII, no space, no quote.
bool isTakeWord(std::string_view text);
// Appends the line of one datagram, with its newline; false, appending nothing, when no line gives
// the datagram back exactly.
bool appendTakeLine(const uint8_t *data, size_t size, uint64_t timeTag, std::string &out);
// Reads one line (without its newline) into its time tag and datagram; false with a reason.
bool parseTakeLine(std::string_view line, uint64_t &timeTag, std::vector<uint8_t> &datagram,
                   std::string &error);

} // namespace common
