// Scenarios of the virtual hub: a plain-text script of what the hub does and when, and the player
// that turns it into a timed stream of events. Shared by the preload library and the uhid program.
#pragma once

#include "report.h"

#include <istream>
#include <memory>
#include <string>

namespace vhub {

struct Event {
    enum class Kind { Report, Unplug, Replug };
    Kind kind = Kind::Report;
    double at = 0; // due time, in seconds since the scenario started
    Report report{};
};

class Scenario;

// Yields the scenario's events in due-time order, generators included.
class Player {
public:
    explicit Player(std::shared_ptr<const Scenario> scenario);
    ~Player();
    // False once the scenario has ended; a scenario may also run for ever.
    bool next(Event &event);

private:
    struct State;
    std::unique_ptr<State> state;
};

// Parses a scenario; throws std::runtime_error naming the line on any error.
std::shared_ptr<const Scenario> parseScenario(std::istream &text, const std::string &sourceName);
std::shared_ptr<const Scenario> loadScenario(const std::string &path);

} // namespace vhub
