// What a parsed scenario holds: its directives in file order, shared by the parser and the player.
#pragma once

#include "scenario.h"

#include <vector>

namespace vhub {

// The slots a flood fills round-robin: every value of every connector announced before it.
struct Slot {
    int connector;
    int index;
};

enum class Generator { Accel, Sine, Button, Clock, Flood };

struct Directive {
    enum class Kind { Report, Unplug, Replug, Wait, Generate, Repeat, End };
    Kind kind = Kind::Report;
    std::vector<unsigned char> bytes; // Report: the exact report
    double seconds = 0;               // Wait: the pause; Generate: how long it runs
    Generator generator = Generator::Accel;
    int connector = 0;
    double rate = 0;         // Generate: reports per second
    long long count = 0;     // Generate: how many reports in all; Repeat: how many times
    std::vector<Slot> slots; // Flood only
};

class Scenario {
public:
    std::vector<Directive> directives;
};

} // namespace vhub
