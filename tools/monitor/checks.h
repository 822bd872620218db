// The check lines that --check prints and the hint that the screen shows, from the facts.
#pragma once

#include "facts.h"

#include <cstdint>
#include <string>
#include <vector>

struct CheckLine {
    bool ok;
    std::string text;
    bool note = false; // a fact that arriving messages contradict: worth knowing, not a failure
};

// One line per check, in the README's troubleshooting order; the port last. When messages were
// heard, the failing facts that they disprove become notes.
std::vector<CheckLine> checkLines(const Facts &facts, uint16_t port, bool heard = false);
// The first problem with the hub, the bridge or the network, or an empty string.
std::string firstProblem(const Facts &facts);
// The hub's state in a few words, for the header.
std::string hubText(const Facts &facts);
