// Entry point: checks the build-time port, prints the start line and hands over to the bridge.
#include "vrennosc.h"

#include <cstdio>

#ifndef VRENNOSC_PORT
#define VRENNOSC_PORT 9876
#endif

int main() {
    const int port = VRENNOSC_PORT;
    if (port < 1024 || port > 65535) {
        std::puts("port not in range");
        std::fflush(stdout);
        return -1;
    }
    std::printf("Sending OSC messages to port %d on local host.\n", port);
    std::fflush(stdout);
    VrennOSC bridge;
    bridge.startHidOsc(port);
    return 0;
}
