// The offsets are summed unscaled and scaled once, so that rounding does not add up over a take.
#include "schedule.h"

#include "timetag.h"

#include <cmath>

namespace play {

uint64_t scaledNs(uint64_t ns, double speed) { return static_cast<uint64_t>(std::fmin(ns / speed, 9.2e18)); }

uint64_t gapNs(uint64_t previousTag, uint64_t timeTag) {
    return timeTag > previousTag ? common::timeTagNs(timeTag - previousTag) : 0;
}

uint64_t Schedule::dueNs(uint64_t timeTag, bool opensRound) {
    if (opensRound && started_)
        offsetNs_ += loopGapNs_;
    else if (!opensRound)
        offsetNs_ += gapNs(previousTag_, timeTag);
    started_ = true;
    previousTag_ = timeTag;
    return scaledNs(offsetNs_, speed_);
}

} // namespace play
