// The connector tables: when a vector is complete, and what announcements do to it.
#include "bridge_fixture.h"

namespace {

using Table = BridgeTest;

TEST_F(Table, SendsOnlyWhenTheLastElementIsWritten) {
    bridge.signature(1, "light", "fff");
    EXPECT_EQ(bridge.values[0], std::vector<float>({0, 0, 0}));
    bridge.newValue(0.5f, 1, 0);
    bridge.newValue(0.25f, 1, 1);
    EXPECT_TRUE(sent().empty());

    bridge.newValue(0.75f, 1, 2);
    EXPECT_EQ(sent(), std::vector<Bytes>{packet("/vrenn/A0-light", {0.5f, 0.25f, 0.75f})});

    // Every write of the last element sends, with the other elements as they stand.
    bridge.newValue(1.0f, 1, 2);
    EXPECT_EQ(sent(), std::vector<Bytes>{packet("/vrenn/A0-light", {0.5f, 0.25f, 1.0f})});
}

TEST_F(Table, ReannouncingKeepsValuesOnlyForTheSameLength) {
    bridge.signature(1, "light", "fff");
    bridge.newValue(0.5f, 1, 0);
    bridge.newValue(0.25f, 1, 1);
    bridge.newValue(1.0f, 1, 2);
    sent();

    bridge.signature(1, "lux", "abc");
    EXPECT_EQ(bridge.values[0], std::vector<float>({0.5f, 0.25f, 1.0f}));
    bridge.newValue(2.0f, 1, 2);
    EXPECT_EQ(sent(), std::vector<Bytes>{packet("/vrenn/A0-lux", {0.5f, 0.25f, 2.0f})});

    bridge.signature(1, "lux", "ff");
    EXPECT_EQ(bridge.values[0], std::vector<float>({0, 0}));
    bridge.newValue(9.0f, 1, 2);
    bridge.newValue(3.0f, 1, 1);
    EXPECT_EQ(sent(), std::vector<Bytes>{packet("/vrenn/A0-lux", {0, 3.0f})});
}

TEST_F(Table, SingleValueConnectorSendsEveryReading) {
    bridge.signature(5, "button", "f");
    bridge.newValue(1.0f, 5, 0);
    bridge.newValue(0.0f, 5, 0);
    EXPECT_EQ(sent(),
              (std::vector<Bytes>{packet("/vrenn/D2-button", {1.0f}), packet("/vrenn/D2-button", {0})}));
}

TEST_F(Table, DropsReadingsThatFitNoVector) {
    bridge.signature(2, "silent", "");
    bridge.signature(3, "knob", "fff");
    bridge.newValue(1.0f, 2, 0);   // announced with an empty signature
    bridge.newValue(1.0f, 4, 0);   // never announced
    bridge.newValue(1.0f, 3, 255); // beyond the vector
    bridge.newValue(1.0f, 3, -1);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(bridge.values[2], std::vector<float>({0, 0, 0}));
}

TEST_F(Table, ConnectorsWithoutASlotAreIgnored) {
    for (int connector : {0, 17, 255, -1}) {
        bridge.signature(connector, "ghost", "f");
        bridge.newValue(1.0f, connector, 0);
    }
    EXPECT_TRUE(sent().empty());
    for (int slot = 0; slot < VrennOSC::connectorCount; ++slot) {
        EXPECT_TRUE(bridge.values[slot].empty());
        EXPECT_TRUE(bridge.connectorNames[slot].empty());
    }
}

} // namespace
