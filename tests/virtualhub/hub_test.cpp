// The hub as hidapi's reader sees it: reports on schedule, unplugging and replugging.
#include "hub.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

vhub::VirtualHub hubFor(const std::string &text) {
    std::istringstream input(text);
    return vhub::VirtualHub(vhub::parseScenario(input, "test.txt"), 0);
}

// The connector of the first value entry of each report read at time now, until none is due.
std::vector<int> drain(vhub::VirtualHub &hub, unsigned long handle, double now) {
    std::vector<int> connectors;
    unsigned char buffer[256] = {};
    for (int n; (n = hub.read(handle, now, buffer, sizeof buffer)) > 0;) {
        connectors.push_back(buffer[2]);
    }
    return connectors;
}

TEST(VirtualHub, ReportsArriveOnlyWhenDue) {
    auto hub = hubFor("values 1:0=1\nwait 100\nvalues 2:0=1\nvalues 3:0=1\n");
    ASSERT_TRUE(hub.open(0));
    const unsigned long handle = hub.plugging();
    EXPECT_EQ(drain(hub, handle, 0.05), std::vector<int>{1});
    EXPECT_EQ(drain(hub, handle, 0.099), std::vector<int>{});
    EXPECT_EQ(drain(hub, handle, 5), (std::vector<int>{2, 3}));
    // After its last line the hub stays plugged and silent.
    unsigned char buffer[64];
    EXPECT_EQ(hub.read(handle, 100, buffer, sizeof buffer), 0);
    EXPECT_TRUE(hub.open(100));
}

TEST(VirtualHub, UnplugFailsTheReadOnceAndHidesTheHubUntilReplug) {
    auto hub = hubFor("values 1:0=1\nwait 100\nunplug\nvalues 2:0=1\nwait 100\nreplug\nvalues 3:0=1\n");
    ASSERT_TRUE(hub.open(0));
    const unsigned long before = hub.plugging();
    unsigned char buffer[64];
    // The report before the unplug is still read, even late; then the read fails.
    EXPECT_EQ(drain(hub, before, 0.15), std::vector<int>{1});
    EXPECT_EQ(hub.read(before, 0.15, buffer, sizeof buffer), -1);
    EXPECT_FALSE(hub.open(0.15));
    // The report due while unplugged is lost; the one after the replug waits for the new handle.
    ASSERT_TRUE(hub.open(0.25));
    EXPECT_EQ(hub.read(before, 0.25, buffer, sizeof buffer), -1);
    EXPECT_EQ(drain(hub, hub.plugging(), 0.25), std::vector<int>{3});
}

TEST(VirtualHub, HubAbsentAtStartAppearsAtReplug) {
    auto hub = hubFor("unplug\nwait 300\nreplug\nannounce 4 knob f\n");
    EXPECT_FALSE(hub.open(0));
    EXPECT_FALSE(hub.open(0.299));
    ASSERT_TRUE(hub.open(0.3));
    EXPECT_EQ(drain(hub, hub.plugging(), 0.3), std::vector<int>{4});
}

TEST(VirtualHub, ReadsAreCutToTheCallersBuffer) {
    auto hub = hubFor("raw 03 00 01 02 03 04 05\nraw 03 01\n");
    ASSERT_TRUE(hub.open(0));
    unsigned char buffer[4] = {};
    EXPECT_EQ(hub.read(hub.plugging(), 0, buffer, sizeof buffer), 4);
    EXPECT_EQ(buffer[3], 2);
    EXPECT_EQ(hub.read(hub.plugging(), 0, buffer, sizeof buffer), 2);
}

} // namespace
