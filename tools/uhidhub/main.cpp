// The uhid hub: plays a scenario file through a real kernel HID device with the hub's ids, so that
// the unchanged bridge and the real hidapi can read it. Usage: vrennosc-uhidhub SCENARIO
// When the scenario ends the hub stays plugged in, silent, until the program is interrupted.
#include "scenario.h"
#include "uhid_device.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace {
using Clock = std::chrono::steady_clock;

// The scenario's clock. It stands still while the hub waits for a reader, so that the reports keep
// their spacing however long the reader takes to open the hub.
class ScenarioClock {
public:
    int millisecondsUntil(double at) const {
        const auto due =
            start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(at));
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
        return left > 0 ? static_cast<int>(left) : 0;
    }
    void holdFor(Clock::duration paused) { start += paused; }

private:
    Clock::time_point start = Clock::now();
};

bool waitUntilDue(vhub::UhidDevice &hub, const ScenarioClock &clock, double at, std::string &error) {
    for (int left = clock.millisecondsUntil(at); left > 0; left = clock.millisecondsUntil(at)) {
        if (!hub.serviceEvents(left, error)) {
            return false;
        }
    }
    return true;
}

bool waitForReader(vhub::UhidDevice &hub, ScenarioClock &clock, std::string &error) {
    if (hub.isOpenedByReader()) {
        return true;
    }
    std::puts("waiting for a reader to open the hub");
    std::fflush(stdout);
    const Clock::time_point began = Clock::now();
    while (!hub.isOpenedByReader()) {
        if (!hub.serviceEvents(-1, error)) {
            return false;
        }
    }
    clock.holdFor(Clock::now() - began);
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
bool playEvent(vhub::UhidDevice &hub, ScenarioClock &clock, const vhub::Event &event, std::string &error) {
    if (!waitUntilDue(hub, clock, event.at, error)) {
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
        return waitForReader(hub, clock, error) && hub.send(event.data(), event.size(), error);
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
    vhub::Player player(scenario);
    ScenarioClock clock;
    vhub::Event event;
    bool playing = true;
    while (playing && player.next(event)) {
        playing = playEvent(hub, clock, event, error);
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
