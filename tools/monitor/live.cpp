// The receive path takes the lock once per batch, after forwarding, so that forwarding never waits
// for a view; views copy the model under the lock and render the copy.
#include "live.h"

#include "decode.h"
#include "printable.h"
#include "timetag.h"

namespace monitor {

double Live::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

Snapshot snapshot(Live &live) {
    std::lock_guard<std::mutex> hold(live.lock);
    return {live.model, live.status, live.seconds()};
}

void receiveLoop(Receiver &receiver, Forwarder &forwarder, Recorder &recorder, Live &live,
                 const std::atomic<bool> &stopping) {
    static Message messages[Receiver::kBatch];
    bool wellFormed[Receiver::kBatch];
    while (!stopping) {
        int count = receiver.receive(100);
        if (count == 0) {
            std::lock_guard<std::mutex> hold(live.lock);
            live.model.setDropped(receiver.dropped());
            continue;
        }
        uint64_t arrived = recorder.recording() ? common::timeTagNow() : 0;
        forwarder.send(receiver.batch(), count);
        for (int i = 0; i < count; ++i)
            wellFormed[i] = decodeMessage(receiver.data(i), receiver.size(i), messages[i]);
        for (int i = 0; i < count && arrived; ++i)
            if (wellFormed[i])
                recorder.add(receiver.data(i), receiver.size(i), arrived);
        double now = live.seconds();
        std::lock_guard<std::mutex> hold(live.lock);
        for (int i = 0; i < count; ++i)
            wellFormed[i] ? live.model.add(messages[i], now) : live.model.addMalformed();
        live.model.setDropped(receiver.dropped());
    }
}

// The port is the monitor's own, so its holders are not looked for.
void refreshStatus(Live &live, const Forwarder &forwarder, const Recorder &recorder,
                   const std::vector<common::Endpoint> &forwards) {
    static BridgeCache bridge;
    Facts facts = gatherFacts(Roots{}, bridge);
    std::string recording = recorder.stateText();
    std::vector<std::string> targets;
    for (size_t i = 0; i < forwarder.size(); ++i)
        targets.push_back(common::printable(forwards[i].text()) + " " + forwarder.state(i));
    if (uint64_t heldBack = forwarder.heldBack())
        targets.push_back("loop: " + std::to_string(heldBack) +
                          " datagrams that came back too often held back");
    std::lock_guard<std::mutex> hold(live.lock);
    live.status.facts = std::move(facts);
    live.status.recording = std::move(recording);
    live.status.targets = std::move(targets);
}

} // namespace monitor
