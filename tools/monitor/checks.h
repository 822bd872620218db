// The facts that explain why nothing arrives: the hub's hidraw node, a running bridge, the name
// localhost, the loopback interface and the port. Read from sysfs, proc and dev roots, so that
// tests can point them at made-up trees.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Roots {
    std::string sys = "/sys", proc = "/proc", dev = "/dev";
};

enum class HubState { Absent, Readable, Unreadable };

struct Facts {
    HubState hub = HubState::Absent;
    std::string node;  // /dev/hidrawN when present
    int bridgePid = 0; // 0: no vrennosc process
    bool localhost = false;
    bool loopback = false;
    bool portHeld = false;
    std::string holder; // "oscdump (pid 42)", or empty when the holder is not visible
};

struct CheckLine {
    bool ok;
    std::string text;
};

// Reads the facts; the port is looked up in the proc root's UDP tables.
Facts gatherFacts(const Roots &roots, uint16_t port);
// One line per check, in the README's troubleshooting order; the port check last.
std::vector<CheckLine> checkLines(const Facts &facts, uint16_t port);
// The first problem with the hub, the bridge or the network, or an empty string.
std::string firstProblem(const Facts &facts);
// The hub's state in a few words, for the header.
std::string hubText(const Facts &facts);
