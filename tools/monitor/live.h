// The monitor's shared state and its data flow: datagram → forward → record → decode → model.
// The receiving thread feeds the model under one lock; every view reads it through snapshot(),
// so that none renders under the lock.
#pragma once

#include "announcer.h"
#include "forwarder.h"
#include "listeners.h"
#include "model.h"
#include "receiver.h"
#include "recorder.h"
#include "status.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

namespace monitor {

struct Live {
    std::mutex lock; // guards model and status
    Model model;
    Status status;
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

    // Seconds since the monitor started: the clock of the model and of every view.
    double seconds() const;
};

struct Snapshot {
    Model model;
    Status status;
    double now;
};

// A copy of the model and status, and the time it was taken.
Snapshot snapshot(Live &live);
// The parts of the data flow that the receiving thread feeds, in their order.
struct Flow {
    Forwarder &forwarder;
    Recorder &recorder;
    Listeners &listeners;
};

// Receives until stopping: forwards each batch first, queues it for the recording, decodes it,
// queues it for the OSCQuery clients that listen, then adds it to the model.
void receiveLoop(Receiver &receiver, Flow flow, Live &live, const std::atomic<bool> &stopping);
// Refreshes the facts, the targets', the recording's, the OSCQuery clients' and the announcement's
// states in the status.
void refreshStatus(Live &live, Flow flow, const std::vector<common::Endpoint> &forwards,
                   const Announcer &announcer);

} // namespace monitor
