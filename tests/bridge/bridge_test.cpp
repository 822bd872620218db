// The bridge driven through its device loop by a scripted hub: the cases in bridge_cases.txt
// (decoding, the connector tables, addresses, the loop's calls and pauses), and sending while
// nobody listens.
#include "fake_platform.h"
#include "osc_receiver.h"
#include "scenario_data.h"
#include "vrennosc.h"

#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

namespace {

// One receiving port for the whole process: the bridge keeps the socket it connected first.
std::unique_ptr<OscReceiver> listening = std::make_unique<OscReceiver>();
const int testPort = listening->port;

struct Case {
    std::string what, calls;
    int absentOpens = 0;
    std::vector<fake::Read> reads;
    std::vector<std::string> sent;
};

// A read in the virtual hub's scenario format: a report, or an unplug.
fake::Read parseRead(const std::string &line) {
    std::istringstream text(line);
    const vhub::Directive d = vhub::parseScenario(text, "bridge_cases.txt")->directives.at(0);
    return d.kind == vhub::Directive::Kind::Unplug ? fake::unplug : fake::report(d.bytes);
}

std::vector<Case> loadCases(const std::string &path) {
    std::vector<Case> cases;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("== ", 0) == 0) {
            cases.emplace_back();
            cases.back().what = line.substr(3);
        } else if (line.empty() || line[0] == '#') {
            continue;
        } else if (line.rfind("> ", 0) == 0) {
            cases.back().sent.push_back(line.substr(2));
        } else if (line.rfind("calls ", 0) == 0) {
            cases.back().calls = line.substr(6);
        } else if (line.rfind("absent ", 0) == 0) {
            cases.back().absentOpens = std::stoi(line.substr(7));
        } else {
            cases.back().reads.push_back(line == "empty" ? fake::noReport : parseRead(line));
        }
    }
    return cases;
}

class Bridge : public ::testing::Test {
protected:
    // Plays the reads to a bridge with empty tables and a closed hub; returns what arrived.
    std::vector<std::string> play(const std::vector<fake::Read> &reads, int absentOpens = 0) {
        bridge = VrennOSC();
        bridge.port = testPort;
        link = HIDCommunication(&bridge);
        fake::reset(absentOpens);
        fake::queue(reads);
        fake::stopAtLastRead(&link);
        link.run();
        return listening ? listening->receive() : std::vector<std::string>();
    }

    VrennOSC bridge;
    HIDCommunication link{&bridge};
};

TEST_F(Bridge, PlaysEveryCase) {
    const std::vector<Case> cases = loadCases(BRIDGE_CASES);
    ASSERT_GE(cases.size(), 10u);
    for (const Case &c : cases) {
        EXPECT_EQ(play(c.reads, c.absentOpens), c.sent) << c.what;
        if (!c.calls.empty()) {
            EXPECT_EQ(fake::calls(), c.calls) << c.what;
        }
    }
}

// With nobody listening, each datagram earns a refusal that the next send reports; the first
// datagram after a receiver appears must still arrive.
TEST_F(Bridge, KeepsSendingWhileNobodyListensAndRecovers) {
    const std::vector<fake::Read> light = {parseRead("announce 1 light f"), parseRead("values 1:0=7")};
    listening.reset();
    play({light[0], light[1], light[1], light[1]});
    listening = std::make_unique<OscReceiver>(testPort);
    EXPECT_EQ(play(light), std::vector<std::string>{"/vrenn/A0-light ,f 7"});
}

} // namespace
