// vrennosc-play's command line: the recording, where to send it, how fast, and whether to loop.
#pragma once

#include "endpoint.h"

#include <string>

namespace play {

struct PlayOptions {
    common::Endpoint to{"127.0.0.1", "9876"};
    double speed = 1;
    bool loop = false;
    bool help = false;
    std::string file;
};

// Parses argv; the reason for refusing it, or "" when every word was taken.
std::string parsePlayOptions(int argc, char **argv, PlayOptions &options);
// The usage text, with examples.
std::string playUsageText();

} // namespace play
