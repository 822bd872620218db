// The player's arithmetic, without a clock: time-tag gaps, the speed, and the gap between rounds.
#include "schedule.h"

#include <gtest/gtest.h>

namespace play {
namespace {

constexpr uint64_t kSecond = 1ull << 32; // one second as a time-tag difference
constexpr uint64_t kNs = 1000000000;

} // namespace

TEST(Schedule, GapsAndSpeeds) {
    const struct {
        uint64_t ns;
        double speed;
        uint64_t scaled;
    } scaled[] = {
        {kNs, 1, kNs},
        {kNs, 2, kNs / 2},
        {kNs, 0.5, 2 * kNs},
        {3 * kNs, 1e6, 3000},
        {kNs, 1e-12, 9200000000000000000},
    };
    for (const auto &c : scaled)
        EXPECT_EQ(scaledNs(c.ns, c.speed), c.scaled) << c.ns << " at " << c.speed;
    EXPECT_EQ(gapNs(5 * kSecond, 7 * kSecond), 2 * kNs);
    EXPECT_EQ(gapNs(5 * kSecond, 5 * kSecond + kSecond / 4), kNs / 4);
    EXPECT_EQ(gapNs(7 * kSecond, 5 * kSecond), 0u) << "a clock set back waits for nothing";
}

// Due times from the start: the recorded offsets at the speed, then the loop's gap before each
// round after the first, so that two rounds of a take of 1 s with a gap of 0.5 s span 2.5 s.
TEST(Schedule, RoundsFollowOneAnother) {
    Schedule schedule(2, kNs / 2);
    const struct {
        uint64_t tag;
        bool opensRound;
        uint64_t due;
    } steps[] = {
        {100 * kSecond, true, 0},
        {100 * kSecond + kSecond / 2, false, kNs / 4},
        {101 * kSecond, false, kNs / 2},
        {100 * kSecond, true, 3 * kNs / 4},
        {100 * kSecond + kSecond / 2, false, kNs},
        {101 * kSecond, false, 5 * kNs / 4},
    };
    for (const auto &step : steps)
        EXPECT_EQ(schedule.dueNs(step.tag, step.opensRound), step.due) << step.tag;
}

} // namespace play
