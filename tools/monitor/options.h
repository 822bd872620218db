// The monitor's command line: what to listen on, where to forward, and how to show it.
#pragma once

#include "endpoint.h"

#include <cstdint>
#include <string>
#include <vector>

namespace monitor {

struct Options {
    uint16_t port = 9876;
    std::vector<common::Endpoint> forwards;
    common::Endpoint web; // --web: an IPv4 address and a port; no port when there is no page
    bool plain = false;
    double seconds = 0; // 0: run until quit
    bool check = false;
    common::Endpoint oscquery;        // --oscquery, as --web
    std::vector<std::string> origins; // --allow-origin: pages whose scripts may listen
    std::string record;               // the file to record to; empty: no recording
    bool append = false;
    bool help = false;
};

// Parses argv; a one-line reason on a bad option or value, or "".
std::string parseOptions(int argc, char **argv, Options &options);
// The usage text, with examples.
std::string usageText();

} // namespace monitor
