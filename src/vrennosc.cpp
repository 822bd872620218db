// The bridge object: connector tables, OSC addresses, and the one socket all messages share.
#include "vrennosc.h"

#include "osc.h"
#include "udp.h"

namespace {
// The hub names connectors by a report byte (0..255); only 1..16 have a table slot.
bool hasSlot(int connector) { return connector >= 1 && connector <= VrennOSC::connectorCount; }
} // namespace

void VrennOSC::startHidOsc(int port) {
    this->port = port;
    if (hidCommunication != nullptr) {
        return;
    }
    hidCommunication = new HIDCommunication(this);
    hidCommunication->run();
}

void VrennOSC::signature(int connector, std::string name, std::string sig) {
    if (!hasSlot(connector)) {
        return;
    }
    std::vector<float> &v = values[connector - 1];
    if (sig.size() != v.size()) {
        v.assign(sig.size(), 0.0f);
    }
    connectorNames[connector - 1] = std::move(name);
}

void VrennOSC::newValue(float value, int connector, int index) {
    if (!hasSlot(connector)) {
        return;
    }
    std::vector<float> &v = values[connector - 1];
    if (index < 0 || static_cast<std::size_t>(index) >= v.size()) {
        return;
    }
    v[index] = value;
    if (static_cast<std::size_t>(index) == v.size() - 1) {
        sendOSCFloat(connector, connectorNames[connector - 1], v);
    }
}

std::string VrennOSC::getConnectorName(int connector, std::string name) {
    if (connector <= 4) {
        return "A" + std::to_string(connector - 1) + "-" + name;
    }
    if (connector <= 11) {
        return "D" + std::to_string(connector - 3) + "-" + name;
    }
    if (connector <= 15) {
        return "I2C-" + name;
    }
    return "UART-" + name;
}

void VrennOSC::sendOSCFloat(int connector, std::string name, std::vector<float> values) {
    // Replaced only after it reports a failure; a send that merely fails keeps it.
    static osc::UdpSocket *sock = nullptr;
    if (sock == nullptr || !sock->isOk()) {
        delete sock;
        sock = new osc::UdpSocket();
        sock->connectTo("localhost", port, 1);
    }
    if (!sock->isOk()) {
        return;
    }
    osc::Message message("/vrenn/" + getConnectorName(connector, name), osc::TimeTag::immediate());
    for (float value : values) {
        message.pushFloat(value);
    }
    osc::PacketWriter writer;
    writer.addMessage(message);
    sock->sendPacket(writer.packetData(), writer.packetSize());
}
