// The bridge object: connector tables, OSC addresses, and the one socket all messages share.
#include "vrennosc.h"

#include "osc.h"
#include "udp.h"

#include <charconv>
#include <cstring>

namespace {
constexpr char addressRoot[] = "/vrenn/";
constexpr std::size_t rootLength = sizeof addressRoot - 1;
// "A", a minus sign, eleven digits and "-" for the lowest int; "UART-" otherwise.
constexpr std::size_t maxPrefix = 14;

// The hub names connectors by a report byte (0..255); only 1..16 have a table slot.
bool hasSlot(int connector) { return connector >= 1 && connector <= VrennOSC::connectorCount; }

// Writes what precedes the name in a connector's address component ("A0-", "D8-", "I2C-",
// "UART-") and returns its length. Numbers below 1 give "A" and a negative number.
std::size_t writeConnectorPrefix(int connector, char *out) {
    if (connector <= 11) {
        const bool analog = connector <= 4;
        out[0] = analog ? 'A' : 'D';
        // Widened, so that the lowest int has a number below it.
        const long long number = analog ? connector - 1LL : connector - 3LL;
        char *end = std::to_chars(out + 1, out + maxPrefix - 1, number).ptr;
        *end = '-';
        return end + 1 - out;
    }
    const char *text = connector <= 15 ? "I2C-" : "UART-";
    const std::size_t length = connector <= 15 ? 4 : 5;
    std::memcpy(out, text, length);
    return length;
}
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
    char prefix[maxPrefix];
    const std::size_t length = writeConnectorPrefix(connector, prefix);
    std::string component(prefix, length);
    component += name;
    return component;
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
    // "/vrenn/" and the connector's component, built in one string that the message takes over.
    char prefix[rootLength + maxPrefix];
    std::memcpy(prefix, addressRoot, rootLength);
    const std::size_t length = rootLength + writeConnectorPrefix(connector, prefix + rootLength);
    std::string address(prefix, length);
    address += name;
    osc::Message message(std::move(address), osc::TimeTag::immediate());
    for (float value : values) {
        message.pushFloat(value);
    }
    osc::PacketWriter writer;
    writer.addMessage(message);
    sock->sendPacket(writer.packetData(), writer.packetSize());
}
