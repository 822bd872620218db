// The monitor's command line: what to listen on, where to forward, and how to show it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Target {
    std::string host;
    std::string port;
    // HOST:PORT as given, an IPv6 address in brackets.
    std::string text() const {
        return (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + port;
    }
};

struct Options {
    uint16_t port = 9876;
    std::vector<Target> forwards;
    Target web; // --web: an IPv4 address and a port; no port when there is no page
    bool plain = false;
    double seconds = 0; // 0: run until quit
    bool check = false;
    std::string record; // the file to record to; empty: no recording
    bool append = false;
    bool help = false;
};

// Reads HOST:PORT, where an IPv6 host is written in brackets: [::1]:9877; false when malformed.
bool parseTarget(const std::string &text, Target &target);
// The value of the option at argv[i], moving i on to it; nullptr with a reason when argv ends.
const char *optionValue(int argc, char **argv, int &i, std::string &error);
// The reason to refuse a value of a HOST:PORT option such as --forward.
std::string targetError(const std::string &option, const char *value);
// Parses argv; on a bad option or value returns false with a one-line reason in error.
bool parseOptions(int argc, char **argv, Options &options, std::string &error);

// The usage text, with examples.
const char *usageText();
