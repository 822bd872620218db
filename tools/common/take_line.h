// A line of a take (a recording), written and read. Where words give the message back byte for
// byte, the line has the form liblo's oscsendfile also reads: a time tag, the address, the type
// tags and the arguments, separated by single spaces, e.g.
//   eec179cf.537bbf93 /hub/accel fff 0.1 -9.81 1e-07
// with f i h d arguments, strings of printable ASCII without spaces or quotes, and floats in their
// shortest exact form. Any other message (a space, a quote or UTF-8 in its address or a string,
// a NaN payload, a blob, T F N I) is written raw, '#' and its bytes in hex after the time tag:
//   eec179cf.537bbf93 #2f6d79206b6e6f620000000002c660000bf800000
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace common {

// Whether text can stand in a line as an address or a string: printable ASCII, no space, no quote.
bool isTakeWord(std::string_view text);
// Appends the line of one datagram, with its newline; false, appending nothing, when the datagram
// is not an OSC message.
bool appendTakeLine(const uint8_t *data, size_t size, uint64_t timeTag, std::string &out);
// Reads one line (without its newline) into its time tag and datagram; false with a reason.
bool parseTakeLine(std::string_view line, uint64_t &timeTag, std::vector<uint8_t> &datagram,
                   std::string &error);

} // namespace common
