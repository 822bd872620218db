// Scenarios of the virtual hub: a plain-text script of what the hub does and when, and the player
// that turns it into a timed stream of events. Shared by the preload library and the uhid program.
#pragma once

#include "report.h"

#include <cstddef>
#include <istream>
#include <memory>
#include <string>
#include <vector>

namespace vhub {

struct Event {
    enum class Kind { Report, Unplug, Replug };
    Kind kind = Kind::Report;
    double at = 0; // due time, in seconds since the scenario started
    Report report{};
    // A report given byte for byte (any length); empty for the hub's usual 62-byte reports. When
    // set, report holds its first 62 bytes, zero-filled.
    std::vector<unsigned char> raw;

    // The bytes the hub sends for a Report event, whichever form it has.
    const unsigned char *data() const { return raw.empty() ? report.data() : raw.data(); }
    std::size_t size() const { return raw.empty() ? report.size() : raw.size(); }
};

class Scenario;

// Yields the scenario's events in due-time order, generators included.
class Player {
public:
    explicit Player(std::shared_ptr<const Scenario> scenario);
    // origin: the CLOCK_MONOTONIC time, in seconds, at which the scenario starts; the clock
    // generator stamps its reports with it. The one-argument form starts the scenario now.
    Player(std::shared_ptr<const Scenario> scenario, double origin);
    ~Player();
    // False once the scenario has ended (its last line played and its generators run out).
    bool next(Event &event);

private:
    struct State;
    std::unique_ptr<State> state;
};

// Parses a scenario; throws std::runtime_error naming the line on any error.
std::shared_ptr<const Scenario> parseScenario(std::istream &text, const std::string &sourceName);
std::shared_ptr<const Scenario> loadScenario(const std::string &path);

// Seconds on CLOCK_MONOTONIC, the clock every due time is measured against.
double monotonicNow();

} // namespace vhub
