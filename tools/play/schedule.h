// When each message of a take is due: the recorded gaps, divided by the speed, with the loop's gap
// between rounds. Arithmetic only, so that it is tested without a clock.
#pragma once

#include <cstdint>

namespace play {

// A take's time at a speed, held below 2^63 ns (292 years) however slow the speed.
uint64_t scaledNs(uint64_t ns, double speed);
// The time from one message to the next: none when the wall clock was set back between them.
uint64_t gapNs(uint64_t previousTag, uint64_t timeTag);

class Schedule {
public:
    Schedule(double speed, uint64_t loopGapNs) : speed_(speed), loopGapNs_(loopGapNs) {}
    // The next message's due time from the start of playing, in ns; opensRound for a round's first.
    uint64_t dueNs(uint64_t timeTag, bool opensRound);

private:
    double speed_;
    uint64_t loopGapNs_;
    uint64_t offsetNs_ = 0, previousTag_ = 0;
    bool started_ = false;
};

} // namespace play
