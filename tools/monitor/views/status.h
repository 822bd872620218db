// What the views show besides the model: the port, the forward targets, the facts, the recording,
// the warnings given at the start and whether the view is frozen. The monitor refreshes it once a
// second.
#pragma once

#include "facts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace monitor {

struct Status {
    uint16_t port = 0;
    std::vector<std::string> targets; // "HOST:PORT STATE", printable
    Facts facts;
    bool frozen = false;
    std::string recording{};             // the recorder's state, escaped; empty when not recording
    std::vector<std::string> warnings{}; // given at the start and true all along, printable
    std::string oscquery{};              // where the OSCQuery server listens; empty when it does not
    std::string announced{};             // whether it is announced on the network, printable
    int listening = 0;                   // its WebSocket clients
    uint64_t skipped = 0;                // messages they skipped, being too slow
};

} // namespace monitor
