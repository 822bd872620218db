// OSC time tags: seconds since 1900 in 32.32 fixed point.
#pragma once

#include <cstdint>

namespace common {

// The time now: the wall clock's at the first call, then moved on by the monotonic clock, so that
// the gaps between tags are the true gaps whatever the wall clock does (NTP setting it after boot
// on a board without a clock, say).
uint64_t timeTagNow();
// The nanoseconds that a difference of two time tags stands for.
uint64_t timeTagNs(uint64_t difference);

} // namespace common
