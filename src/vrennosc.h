// The bridge: sixteen connector tables fed by the hub, and the device link that feeds them.
// Data flow: report (HIDCommunication) -> table (signature/newValue) -> message (sendOSCFloat).
#pragma once

#include <array>
#include <hidapi.h>
#include <string>
#include <vector>

class HIDCommunication;

class VrennOSC {
public:
    static constexpr int connectorCount = 16;

    VrennOSC() = default;
    void startHidOsc(int port);

    void signature(int connector, std::string name, std::string sig);
    void newValue(float value, int connector, int index);

    std::string getConnectorName(int connector, std::string name);
    void sendOSCFloat(int connector, std::string name, std::vector<float> values);

    int port = 9876;
    // Created once by startHidOsc and never freed: it lives as long as the process.
    HIDCommunication *hidCommunication = nullptr;
    std::array<std::vector<float>, connectorCount> values;
    std::array<std::string, connectorCount> connectorNames;
};

// Finds the hub, reads its reports without blocking, decodes them for the bridge, and reopens the
// hub after it is unplugged, for as long as running is true.
class HIDCommunication {
public:
    explicit HIDCommunication(VrennOSC *owner) : owner(owner) {}
    void openHID();
    void run();

    VrennOSC *owner;
    bool running = false;
    hid_device *device = nullptr;
};
