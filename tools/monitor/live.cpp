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

void receiveLoop(Receiver &receiver, Flow flow, Live &live, const std::atomic<bool> &stopping) {
    static Message messages[Receiver::kBatch];
    bool wellFormed[Receiver::kBatch];
    while (!stopping) {
        int count = receiver.receive(100);
        if (count == 0) {
            std::lock_guard<std::mutex> hold(live.lock);
            live.model.setDropped(receiver.dropped());
            continue;
        }
        uint64_t arrived = flow.recorder.recording() ? common::timeTagNow() : 0;
        flow.forwarder.send(receiver.batch(), count);
        for (int i = 0; i < count; ++i)
            wellFormed[i] = decodeMessage(receiver.data(i), receiver.size(i), messages[i]);
        for (int i = 0; i < count && arrived; ++i)
            if (wellFormed[i])
                flow.recorder.add(receiver.data(i), receiver.size(i), arrived);
        std::string_view heard[Receiver::kBatch];
        int listenable = 0;
        for (int i = 0; i < count; ++i)
            if (wellFormed[i])
                heard[listenable++] = {reinterpret_cast<const char *>(receiver.data(i)), receiver.size(i)};
        flow.listeners.offer(heard, listenable);
        double now = live.seconds();
        std::vector<PathChange> changes;
        {
            std::lock_guard<std::mutex> hold(live.lock);
            for (int i = 0; i < count; ++i)
                wellFormed[i] ? live.model.add(messages[i], now) : live.model.addMalformed();
            live.model.setDropped(receiver.dropped());
            changes = live.model.takeChanges();
        }
        if (!changes.empty())
            flow.listeners.announce(changes);
    }
}

// The port is the monitor's own, so its holders are not looked for.
void refreshStatus(Live &live, Flow flow, const std::vector<common::Endpoint> &forwards,
                   const Announcer &announcer) {
    static BridgeCache bridge;
    Facts facts = gatherFacts(Roots{}, bridge);
    std::string recording = flow.recorder.stateText(), announced = common::printable(announcer.state());
    std::vector<std::string> targets;
    for (size_t i = 0; i < flow.forwarder.size(); ++i)
        targets.push_back(common::printable(forwards[i].text()) + " " + flow.forwarder.state(i));
    if (uint64_t heldBack = flow.forwarder.heldBack())
        targets.push_back("loop: " + std::to_string(heldBack) +
                          " datagrams that came back too often held back");
    std::lock_guard<std::mutex> hold(live.lock);
    live.status.facts = std::move(facts);
    live.status.recording = std::move(recording);
    live.status.targets = std::move(targets);
    live.status.listening = flow.listeners.clients();
    live.status.skipped = flow.listeners.skipped();
    live.status.announced = std::move(announced);
}

} // namespace monitor
