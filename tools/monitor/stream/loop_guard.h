// Notices datagrams that go round: two monitors forwarding to each other pass one datagram back and
// forth as fast as they can, for ever. The hub sends at most 1000 reports a second in all, so the
// same bytes arriving more than kRoundsPerSecond times within one second are taken to go round and
// are not passed on again; the loop then dies out. A loop through a program that changes the
// bytes, or one slower than that, is not noticed.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <unordered_map>

namespace monitor {

class LoopGuard {
public:
    static constexpr uint32_t kRoundsPerSecond = 5000;

    // Counts the datagram at nowMs (a steady clock's milliseconds); true when it goes round.
    bool goesRound(const uint8_t *data, size_t size, int64_t nowMs);
    // Datagrams not passed on because they went round.
    uint64_t heldBack() const { return heldBack_.load(std::memory_order_relaxed); }

private:
    std::unordered_map<uint64_t, uint32_t> seen_; // this second's arrivals, by the bytes' hash
    int64_t second_ = -1;
    std::atomic<uint64_t> heldBack_{0};
};

} // namespace monitor
