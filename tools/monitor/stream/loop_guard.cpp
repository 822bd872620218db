// Counts by a 64-bit FNV-1a hash of the bytes; the table is emptied every second, and sooner when a
// flood of distinct datagrams fills it, so that its memory stays bounded.
#include "loop_guard.h"

namespace monitor {
namespace {

constexpr size_t kMostSeen = 1 << 16;

uint64_t hashOf(const uint8_t *data, size_t size) {
    uint64_t hash = 14695981039346656037u;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 1099511628211u;
    return hash;
}

} // namespace

bool LoopGuard::goesRound(const uint8_t *data, size_t size, int64_t nowMs) {
    if (nowMs / 1000 != second_ || seen_.size() >= kMostSeen) {
        seen_.clear();
        second_ = nowMs / 1000;
    }
    if (++seen_[hashOf(data, size)] <= kRoundsPerSecond)
        return false;
    heldBack_.fetch_add(1, std::memory_order_relaxed);
    return true;
}

} // namespace monitor
