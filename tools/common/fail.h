// One failure type for the tools, and one way for a program to end with it.
#pragma once

#include <string>

namespace common {

// The exit codes: 1 when the work failed, 2 when the command line or what it names is refused.
enum class Exit { Failed = 1, Refused = 2 };

struct Failure {
    Exit exit = Exit::Failed;
    std::string text;    // one line, raw: it is escaped where it is shown
    int systemError = 0; // the errno behind it, when the system refused
};

// Prints "PROGRAM: TEXT" escaped on standard error, then usage if given; returns the exit code for main.
int endWith(const char *program, const Failure &failure, const std::string &usage = "");

} // namespace common
