// Plays a parsed scenario: walks its directives on a script clock and merges in the reports of
// the generators it starts, always yielding the earliest due event next.
#include "scenario_data.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace vhub {

namespace {

constexpr double pi = 3.14159265358979323846;

// One generator started by the script, and how far it has got.
struct Running {
    Running(const Directive *directive, double start) : directive(directive), start(start) {}

    const Directive *directive;
    double start;
    long long sent = 0;
    std::size_t cursor = 0; // flood: the next slot to fill

    bool done() const { return sent >= directive->count; }
    double due() const {
        return directive->generator == Generator::Flood ? start : start + sent / directive->rate;
    }
};

float wave(double seconds, double hertz) { return static_cast<float>(std::sin(2 * pi * hertz * seconds)); }

// Due time on the monotonic clock, as two values a float holds exactly.
std::vector<Entry> clockEntries(int connector, double absolute) {
    double whole = std::floor(absolute);
    double micros = std::round((absolute - whole) * 1e6);
    if (micros >= 1e6) {
        whole += 1;
        micros -= 1e6;
    }
    return {{connector, 0, static_cast<float>(std::fmod(whole, 65536.0))},
            {connector, 1, static_cast<float>(micros)}};
}

std::vector<Entry> floodEntries(Running &g) {
    const std::vector<Slot> &slots = g.directive->slots;
    std::vector<Entry> entries;
    for (std::size_t k = 0; k < entriesPerReport; ++k) {
        const Slot &slot = slots[g.cursor];
        entries.push_back({slot.connector, slot.index, static_cast<float>(g.sent % 16777216)});
        g.cursor = (g.cursor + 1) % slots.size();
    }
    return entries;
}

std::vector<Entry> generatorEntries(Running &g, double at, double origin) {
    const int c = g.directive->connector;
    const double t = at - g.start;
    switch (g.directive->generator) {
    case Generator::Accel:
        return {
            {c, 0, 0.2f * wave(t, 0.5)}, {c, 1, 0.2f * wave(t + 0.5, 0.5)}, {c, 2, 1 + 0.05f * wave(t, 2)}};
    case Generator::Sine:
        return {{c, 0, 0.5f + 0.5f * wave(t, 0.1)}};
    case Generator::Button:
        return {{c, 0, static_cast<float>(g.sent % 2)}};
    case Generator::Clock:
        return clockEntries(c, origin + at);
    case Generator::Flood:
        return floodEntries(g);
    }
    return {};
}

} // namespace

double monotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Player::State {
    State(std::shared_ptr<const Scenario> scenario, double origin)
        : scenario(std::move(scenario)), origin(origin) {}

    std::shared_ptr<const Scenario> scenario;
    double origin;
    std::size_t line = 0;
    double scriptTime = 0;
    std::vector<Running> generators;
    // The open repeats, innermost last: the line after each repeat, and how many plays are left.
    std::vector<std::pair<std::size_t, long long>> loops;

    Running *earliestGenerator();
    bool playLine(Event &event);
    void emitGenerated(Running &g, Event &event);
};

Running *Player::State::earliestGenerator() {
    Running *earliest = nullptr;
    for (Running &g : generators) {
        if (earliest == nullptr || g.due() < earliest->due()) {
            earliest = &g;
        }
    }
    return earliest;
}

// Plays one line; true when it produced an event, false for a pause, a generator start or a repeat.
bool Player::State::playLine(Event &event) {
    const Directive &d = scenario->directives[line++];
    switch (d.kind) {
    case Directive::Kind::Wait:
        scriptTime += d.seconds;
        return false;
    case Directive::Kind::Generate:
        if (d.count > 0) {
            generators.emplace_back(&d, scriptTime);
        }
        return false;
    case Directive::Kind::Repeat:
        loops.emplace_back(line, d.count);
        return false;
    case Directive::Kind::End:
        if (--loops.back().second > 0) {
            line = loops.back().first;
        } else {
            loops.pop_back();
        }
        return false;
    case Directive::Kind::Report:
        event.kind = Event::Kind::Report;
        event.report.fill(0);
        std::copy_n(d.bytes.begin(), std::min(d.bytes.size(), reportSize), event.report.begin());
        // Reports in the hub's own layout travel in report alone.
        if (d.bytes.size() == reportSize) {
            event.raw.clear();
        } else {
            event.raw = d.bytes;
        }
        break;
    case Directive::Kind::Unplug:
        event.kind = Event::Kind::Unplug;
        break;
    case Directive::Kind::Replug:
        event.kind = Event::Kind::Replug;
        break;
    }
    event.at = scriptTime;
    return true;
}

void Player::State::emitGenerated(Running &g, Event &event) {
    event.kind = Event::Kind::Report;
    event.at = g.due();
    event.report = valueReport(generatorEntries(g, event.at, origin));
    event.raw.clear();
    ++g.sent;
}

Player::Player(std::shared_ptr<const Scenario> scenario) : Player(std::move(scenario), monotonicNow()) {}

Player::Player(std::shared_ptr<const Scenario> scenario, double origin)
    : state(std::make_unique<State>(std::move(scenario), origin)) {}

Player::~Player() = default;

bool Player::next(Event &event) {
    State &s = *state;
    for (;;) {
        Running *g = s.earliestGenerator();
        const bool linesLeft = s.line < s.scenario->directives.size();
        // A generator due no later than the script goes first: it was started by an earlier line.
        if (linesLeft && (g == nullptr || s.scriptTime < g->due())) {
            if (s.playLine(event)) {
                return true;
            }
            continue;
        }
        if (g == nullptr) {
            return false;
        }
        s.emitGenerated(*g, event);
        if (g->done()) {
            s.generators.erase(s.generators.begin() + (g - s.generators.data()));
        }
        return true;
    }
}

} // namespace vhub
