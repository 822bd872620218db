// Addresses and datagrams: what leaves the bridge for each connector.
#include "bridge_fixture.h"

namespace {

using Sending = BridgeTest;

TEST_F(Sending, EveryConnectorClassHasItsAddress) {
    const char *expected[] = {"A0-x", "A1-x", "A2-x", "A3-x",  "D2-x",  "D3-x",  "D4-x",  "D5-x",
                              "D6-x", "D7-x", "D8-x", "I2C-x", "I2C-x", "I2C-x", "I2C-x", "UART-x"};
    for (int connector = 1; connector <= 16; ++connector) {
        EXPECT_EQ(bridge.getConnectorName(connector, "x"), expected[connector - 1]) << connector;
    }
    EXPECT_EQ(bridge.getConnectorName(1, ""), "A0-");
    EXPECT_EQ(bridge.getConnectorName(16, ""), "UART-");
}

TEST_F(Sending, CompletedVectorArrivesByteForByte) {
    bridge.signature(1, "light", "fff");
    bridge.newValue(0.5f, 1, 0);
    bridge.newValue(0.25f, 1, 1);
    bridge.newValue(0.75f, 1, 2);
    EXPECT_EQ(receiver.receive(), fromHex("2f 76 72 65 6e 6e 2f 41 30 2d 6c 69 67 68 74 00 "
                                          "2c 66 66 66 00 00 00 00  3f 00 00 00 3e 80 00 00 3f 40 00 00"));
}

TEST_F(Sending, NamesEnterTheAddressUnchanged) {
    bridge.signature(16, "", "f");
    bridge.signature(12, "acc/x y*", "f");
    bridge.signature(13, "acc/x y*", "f");
    bridge.newValue(1.0f, 16, 0);
    bridge.newValue(2.0f, 12, 0);
    bridge.newValue(3.0f, 13, 0);
    EXPECT_EQ(sent(),
              (std::vector<Bytes>{packet("/vrenn/UART-", {1.0f}), packet("/vrenn/I2C-acc/x y*", {2.0f}),
                                  packet("/vrenn/I2C-acc/x y*", {3.0f})}));
}

TEST_F(Sending, KeepsSendingWhileNobodyListensAndRecovers) {
    receiver.close();
    bridge.signature(1, "light", "f");
    for (int i = 0; i < 5; ++i) {
        bridge.newValue(static_cast<float>(i), 1, 0);
    }
    UdpReceiver late(VRENNOSC_TEST_PORT);
    ASSERT_TRUE(late.isOpen());
    bridge.newValue(7.0f, 1, 0);
    EXPECT_EQ(late.receiveAll(30), std::vector<Bytes>{packet("/vrenn/A0-light", {7.0f})});
}

} // namespace
