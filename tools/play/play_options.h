// vrennosc-play's command line: the recording, where to send it, how fast, and whether to loop.
#pragma once

#include "options.h"

#include <string>

struct PlayOptions {
    Target to{"127.0.0.1", "9876"};
    double speed = 1;
    bool loop = false;
    bool help = false;
    std::string file;
};

// Parses argv; on a bad option or value returns false with a one-line reason in error.
bool parsePlayOptions(int argc, char **argv, PlayOptions &options, std::string &error);
// The usage text, with examples.
const char *playUsageText();
