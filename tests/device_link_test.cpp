// The device loop driven by a scripted hub: opening, decoding, ignoring, unplugging.
#include "bridge_fixture.h"
#include "fake_hidapi.h"
#include "report.h"

namespace {

Bytes toBytes(const vhub::Report &report) { return Bytes(report.begin(), report.end()); }

// A hex prefix completed with zeros to a full 62-byte report.
Bytes reportFromHex(const std::string &hex) {
    Bytes report = fromHex(hex);
    report.resize(vhub::reportSize, 0);
    return report;
}

class DeviceLink : public BridgeTest {
protected:
    DeviceLink() : link(&bridge) {
        fakehid::reset();
        fakehid::stopWhenDone(&link);
    }
    void announce(int connector, const std::string &name, const std::string &sig) {
        fakehid::queueReport(toBytes(vhub::announcement(connector, name, sig)));
    }
    void values(const std::vector<vhub::Entry> &entries) {
        fakehid::queueReport(toBytes(vhub::valueReport(entries)));
    }

    HIDCommunication link;
};

TEST_F(DeviceLink, AbsentHubIsRetriedAndReadAsSoonAsItOpens) {
    fakehid::hubAbsentFor(2);
    announce(1, "light", "f");
    values({{1, 0, 0.5f}});
    link.run();
    EXPECT_EQ(fakehid::calls(), (std::vector<std::string>{"open-none", "open-none", "open", "nonblocking",
                                                          "read", "read", "read"}));
    EXPECT_EQ(sent(), std::vector<Bytes>{packet("/vrenn/A0-light", {0.5f})});
}

TEST_F(DeviceLink, DecodesTheDocumentedReportExamples) {
    const Bytes valueExample = reportFromHex("03 00 01 02 00 00 00 3f 05 00 00 00 80 bf");
    const Bytes announcementExample = reportFromHex("03 01 02 6c 69 67 68 74 00 41 66 66 66 00");
    // The virtual hub's encoder produces the same layout.
    EXPECT_EQ(toBytes(vhub::valueReport({{1, 2, 0.5f}, {5, 0, -1.0f}})), valueExample);
    Bytes encoded = toBytes(vhub::announcement(2, "light", "fff"));
    encoded[9] = 0x41;
    EXPECT_EQ(encoded, announcementExample);

    announce(1, "light", "fff");
    announce(5, "button", "f");
    fakehid::queueReport(valueExample);
    fakehid::queueReport(announcementExample);
    link.run();
    EXPECT_EQ(sent(), (std::vector<Bytes>{packet("/vrenn/A0-light", {0, 0, 0.5f}),
                                          packet("/vrenn/D2-button", {-1.0f})}));
    // The byte after the name's NUL ('A' here) is not part of the signature.
    EXPECT_EQ(bridge.connectorNames[1], "light");
    EXPECT_EQ(bridge.values[1].size(), 3u);
}

TEST_F(DeviceLink, AnnouncementStringsStayInsideTheReport) {
    fakehid::queueReport(reportFromHex("03 01 03 00 ee 66 66 00")); // empty name
    Bytes longName = reportFromHex("03 01 04");
    std::fill(longName.begin() + 3, longName.end(), 'n'); // 59 bytes, no NUL in the report
    fakehid::queueReport(longName);
    Bytes unterminated = reportFromHex("03 01 06");
    std::fill(unterminated.begin() + 3, unterminated.begin() + 53, 'm'); // 50-byte name
    std::fill(unterminated.begin() + 55, unterminated.end(), 's');       // 7-byte signature to the end
    fakehid::queueReport(unterminated);
    link.run();
    EXPECT_EQ(bridge.connectorNames[2], "");
    EXPECT_EQ(bridge.values[2].size(), 2u);
    EXPECT_EQ(bridge.connectorNames[3], std::string(59, 'n'));
    EXPECT_TRUE(bridge.values[3].empty());
    EXPECT_EQ(bridge.connectorNames[5], std::string(50, 'm'));
    EXPECT_EQ(bridge.values[5].size(), 7u);
}

TEST_F(DeviceLink, IgnoresReportsOfAnotherLengthIdOrType) {
    announce(1, "light", "f");
    const Bytes good = toBytes(vhub::valueReport({{1, 0, 0.5f}}));
    Bytes shortReport(good.begin(), good.end() - 1);
    Bytes longReport = good;
    longReport.push_back(0);
    Bytes otherId = good;
    otherId[0] = 2;
    Bytes otherType = good;
    otherType[1] = 2;
    for (const Bytes &ignored : {shortReport, longReport, otherId, otherType}) {
        fakehid::queueReport(ignored);
    }
    link.run();
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(bridge.values[0], std::vector<float>{0});

    fakehid::reset();
    fakehid::stopWhenDone(&link);
    fakehid::queueReport(good);
    link.run();
    EXPECT_EQ(sent(), std::vector<Bytes>{packet("/vrenn/A0-light", {0.5f})});
}

TEST_F(DeviceLink, TenEntriesForOneConnectorSendOnceAtItsLastIndex) {
    announce(1, "ten", "ffffffffff");
    announce(2, "three", "fff");
    std::vector<vhub::Entry> forOne, forTwo;
    for (int i = 0; i < 10; ++i) {
        forOne.push_back({1, i, static_cast<float>(i)});
        forTwo.push_back({2, i, static_cast<float>(10 + i)});
    }
    values(forOne);
    values(forTwo);
    link.run();
    EXPECT_EQ(sent(), (std::vector<Bytes>{packet("/vrenn/A0-ten", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}),
                                          packet("/vrenn/A1-three", {10, 11, 12})}));
}

TEST_F(DeviceLink, UnplugClosesTheHubAndAnnouncementsSurviveTheReopen) {
    announce(1, "light", "f");
    fakehid::queueUnplug();
    values({{1, 0, 0.5f}});
    link.run();
    EXPECT_EQ(fakehid::calls(), (std::vector<std::string>{"open", "nonblocking", "read", "read", "close",
                                                          "open", "nonblocking", "read", "read"}));
    EXPECT_EQ(sent(), std::vector<Bytes>{packet("/vrenn/A0-light", {0.5f})});
}

} // namespace
