// The uhid hub: plays a scenario file through a real kernel HID device with the hub's ids, so that
// the unchanged bridge and the real hidapi can read it. Usage: vrennosc-uhidhub SCENARIO
// When the scenario ends the hub stays plugged in, silent, until the program is interrupted.
#include "scenario.h"
#include "uhid_device.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {
// The scenario as the hub plays it: its events and the clock they fall due on. The clock stands still
// while the hub waits for a reader, so that the reports keep their spacing however long the reader
// takes to open the hub. The clock generator stamps its reports from the origin a player is made
// with, so after a hold a player is made again from the later origin and wound on to the event held:
// otherwise every stamp after a hold would be early by the hold.
class ScenarioPlay {
public:
    explicit ScenarioPlay(std::shared_ptr<const vhub::Scenario> scenario)
        : scenario(std::move(scenario)), origin(vhub::monotonicNow()),
          player(std::make_unique<vhub::Player>(this->scenario, origin)) {}

    bool next(vhub::Event &event) {
        ++played;
        return player->next(event);
    }
    // Never 0 before the event is due, and at most a minute, however far off it is.
    int millisecondsUntil(double at) const {
        const double left = std::ceil((origin + at - vhub::monotonicNow()) * 1000);
        return static_cast<int>(std::clamp(left, 0.0, 60000.0));
    }
    // Moves the rest of the scenario later by seconds, and makes held again with its new stamp.
    void holdFor(double seconds, vhub::Event &held) {
        origin += seconds;
        player = std::make_unique<vhub::Player>(scenario, origin);
        for (long long k = 0; k < played; ++k) {
            player->next(held);
        }
    }

private:
    std::shared_ptr<const vhub::Scenario> scenario;
    double origin;
    std::unique_ptr<vhub::Player> player;
    long long played = 0;
};

bool waitUntilDue(vhub::UhidDevice &hub, const ScenarioPlay &play, double at, std::string &error) {
    for (int left = play.millisecondsUntil(at); left > 0; left = play.millisecondsUntil(at)) {
        if (!hub.serviceEvents(left, error)) {
            return false;
        }
    }
    return true;
}

bool waitForReader(vhub::UhidDevice &hub, ScenarioPlay &play, vhub::Event &event, std::string &error) {
    if (hub.isOpenedByReader()) {
        return true;
    }
    std::puts("waiting for a reader to open the hub");
    std::fflush(stdout);
    const double began = vhub::monotonicNow();
    while (!hub.isOpenedByReader()) {
        if (!hub.serviceEvents(-1, error)) {
            return false;
        }
    }
    play.holdFor(vhub::monotonicNow() - began, event);
    return true;
}

// An unplug of an unplugged hub, or a replug of a plugged one, changes nothing and says nothing.
bool announcePlug(vhub::UhidDevice &hub, bool plug, std::string &error) {
    const bool wasPlugged = hub.isPlugged();
    const bool done = plug ? hub.plug(error) : hub.unplug(error);
    if (done && hub.isPlugged() != wasPlugged) {
        std::puts(plug ? "hub plugged in" : "hub unplugged");
        std::fflush(stdout);
    }
    return done;
}

// Reports due while the hub is unplugged are lost, as they would be with the real hub.
bool playEvent(vhub::UhidDevice &hub, ScenarioPlay &play, vhub::Event &event, std::string &error) {
    if (!waitUntilDue(hub, play, event.at, error)) {
        return false;
    }
    switch (event.kind) {
    case vhub::Event::Kind::Unplug:
        return announcePlug(hub, false, error);
    case vhub::Event::Kind::Replug:
        return announcePlug(hub, true, error);
    case vhub::Event::Kind::Report:
        if (!hub.isPlugged()) {
            return true;
        }
        return waitForReader(hub, play, event, error) && hub.send(event.data(), event.size(), error);
    }
    return true;
}

// Like the real hub, it stays until pulled out: exiting would destroy the device and could take
// reports that the reader has not fetched yet with it.
bool stayPlugged(vhub::UhidDevice &hub, std::string &error) {
    std::puts("scenario ended; the hub stays plugged in until interrupted");
    std::fflush(stdout);
    while (hub.serviceEvents(-1, error)) {
    }
    return false;
}

int play(const std::string &path) {
    std::shared_ptr<const vhub::Scenario> scenario;
    try {
        scenario = vhub::loadScenario(path);
    } catch (const std::runtime_error &e) {
        std::fprintf(stderr, "vrennosc-uhidhub: %s\n", e.what());
        return 2;
    }
    vhub::UhidDevice hub;
    std::string error;
    if (!hub.openControl(error) || !announcePlug(hub, true, error)) {
        std::fprintf(stderr, "vrennosc-uhidhub: %s\n", error.c_str());
        return 1;
    }
    ScenarioPlay play(scenario);
    vhub::Event event;
    bool playing = true;
    while (playing && play.next(event)) {
        playing = playEvent(hub, play, event, error);
    }
    if (playing && hub.isPlugged()) {
        playing = stayPlugged(hub, error);
    }
    if (!playing) {
        std::fprintf(stderr, "vrennosc-uhidhub: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vrennosc-uhidhub SCENARIO\n");
        return 2;
    }
    return play(argv[1]);
}
