// The fraction is scaled through 64 bits: 2^32 * 10^9 does not fit, so it is split.
#include "timetag.h"

#include <ctime>

namespace common {
namespace {

constexpr uint64_t kUnixToNtpSeconds = 2208988800u;

uint64_t nanoseconds(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

} // namespace

uint64_t timeTagNow() {
    static const uint64_t wallStart = nanoseconds(CLOCK_REALTIME), steadyStart = nanoseconds(CLOCK_MONOTONIC);
    uint64_t now = wallStart + (nanoseconds(CLOCK_MONOTONIC) - steadyStart);
    uint64_t fraction = ((now % 1000000000u) << 32) / 1000000000u;
    return (now / 1000000000u + kUnixToNtpSeconds) << 32 | fraction;
}

uint64_t timeTagNs(uint64_t difference) {
    return (difference >> 32) * 1000000000u + (((difference & 0xffffffffu) * 1000000000u) >> 32);
}

} // namespace common
