// OSC time tags: seconds since 1900 in 32.32 fixed point.
#pragma once

#include <cstdint>

namespace common {

// The time now, from the wall clock.
uint64_t timeTagNow();
// The nanoseconds that a difference of two time tags stands for.
uint64_t timeTagNs(uint64_t difference);

} // namespace common
