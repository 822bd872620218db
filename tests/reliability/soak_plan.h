// The soak test's script for the virtual hub, and what the bridge must send while playing it.
// The script is a series of segments a few milliseconds apart: random valid and invalid reports,
// unplug/replug cycles, and now and then a pause in which the receiver is stopped and restarted.
#pragma once

#include "hub_model.h"

#include <string>
#include <vector>

struct SoakSegment {
    std::vector<ExpectedMessage> messages; // in the order the bridge must send them
    bool stopReceiverAfter = false;        // the receiver closes after this segment's messages...
    bool sentWhileDown = false;            // ...misses this one, and listens again for the next
};

struct SoakPlan {
    std::string scenario; // the virtual hub's script
    std::vector<SoakSegment> segments;
    long cycles = 0;      // unplug/replug pairs
    long lostReports = 0; // reports due while the hub is unplugged
    long deliveredReports = 0;
    int leadInMs = 0; // the script's opening pause
};

// Pause, in milliseconds, around each segment the receiver misses.
constexpr int receiverPauseMs = 400;

// At least `cycles` unplug/replug cycles; the same seed gives the same plan.
SoakPlan makeSoakPlan(long cycles, unsigned seed);
