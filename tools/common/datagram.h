// The size bound every tool shares for one OSC datagram.
#pragma once

#include <cstddef>

namespace common {

// The most a UDP datagram over IPv4 carries: 65535 less the IP and UDP headers.
constexpr size_t kMaxDatagram = 65507;

} // namespace common
