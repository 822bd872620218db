// The facts that explain why nothing arrives, as seen from the monitor's own network namespace:
// the hub's hidraw node, a running bridge, the name localhost, the loopback interface and the
// port's holders. Files are read below sysfs, proc and dev roots, so that tests can point them at
// made-up trees; the loopback's state comes from the kernel.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace monitor {

struct Roots {
    std::string sys = "/sys", proc = "/proc", dev = "/dev";
};

enum class HubState { Absent, Readable, Unreadable };

struct Facts {
    HubState hub = HubState::Absent;
    std::string node;        // /dev/hidrawN when present
    int bridgePid = 0;       // 0: no vrennosc process
    bool bridgeHere = false; // it shares the monitor's network namespace, so its messages can arrive
    bool localhost = false;
    bool loopback = false;
    bool portHeld = false;
    std::vector<std::string> holders; // "oscdump (pid 42)" per socket on the port; names are raw
    std::vector<int> moreBridges;     // other vrennosc processes here: each sends every message too
};

// The bridge found last time, verified again on each call; /proc is scanned again every few
// seconds, for a bridge started since, so that the cost does not grow with the number of processes.
struct BridgeCache {
    int pid = 0;
    bool here = false;
    std::vector<int> more; // further bridges here, as of the last scan
    std::chrono::steady_clock::time_point nextScan{};
};

// Every fact but the port's holders, for a monitor that holds the port itself.
Facts gatherFacts(const Roots &roots, BridgeCache &bridge);
// Every fact, each read afresh; the holders come from the proc root's UDP tables and descriptors.
Facts gatherFacts(const Roots &roots, uint16_t port);

} // namespace monitor
