// A bridge that sends to the tests' own port, with a receiver bound there.
#pragma once

#include "osc.h"
#include "packet_bytes.h"
#include "udp_receiver.h"
#include "vrennosc.h"

#include <gtest/gtest.h>

class BridgeTest : public ::testing::Test {
protected:
    BridgeTest() : receiver(VRENNOSC_TEST_PORT) { bridge.port = VRENNOSC_TEST_PORT; }
    void SetUp() override { ASSERT_TRUE(receiver.isOpen()); }

    // What the bridge must send for this address and these values.
    static Bytes packet(const std::string &address, const std::vector<float> &values) {
        osc::Message message(address, osc::TimeTag::immediate());
        for (float v : values) {
            message.pushFloat(v);
        }
        osc::PacketWriter writer;
        writer.addMessage(message);
        return Bytes(writer.packetData(), writer.packetData() + writer.packetSize());
    }

    std::vector<Bytes> sent(int quietMs = 30) { return receiver.receiveAll(quietMs); }

    VrennOSC bridge;
    UdpReceiver receiver;
};
