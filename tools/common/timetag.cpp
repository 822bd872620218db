// The fraction is scaled through 64 bits: 2^32 * 10^9 does not fit, so it is split.
#include "timetag.h"

#include <ctime>

namespace common {
namespace {
constexpr uint64_t kUnixToNtpSeconds = 2208988800u;
}

uint64_t timeTagNow() {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    uint64_t fraction = (static_cast<uint64_t>(now.tv_nsec) << 32) / 1000000000u;
    return (static_cast<uint64_t>(now.tv_sec) + kUnixToNtpSeconds) << 32 | fraction;
}

uint64_t timeTagNs(uint64_t difference) {
    return (difference >> 32) * 1000000000u + (((difference & 0xffffffffu) * 1000000000u) >> 32);
}

} // namespace common
