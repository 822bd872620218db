// The scenario format and the player's schedule: what each directive yields, and when.
#include "scenario.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>

namespace {

using vhub::Event;

std::vector<Event> play(const std::string &text, double origin = 0) {
    std::istringstream input(text);
    vhub::Player player(vhub::parseScenario(input, "test.txt"), origin);
    std::vector<Event> events;
    for (Event e; player.next(e);) {
        events.push_back(e);
    }
    return events;
}

std::string repeat(const std::string &word, int times) {
    std::string out;
    for (int k = 0; k < times; ++k) {
        out += word;
    }
    return out;
}

std::string parseError(const std::string &text) {
    std::istringstream input(text);
    try {
        vhub::parseScenario(input, "bad.txt");
    } catch (const std::runtime_error &error) {
        return error.what();
    }
    return "no error";
}

float floatAt(const Event &e, std::size_t offset) {
    const unsigned char *p = e.report.data() + offset;
    const std::uint32_t bits = p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Value entries as "connector:index=value" for compact comparisons.
std::string entries(const Event &e) {
    std::string out;
    for (std::size_t k = 0; k < 10; ++k) {
        const std::size_t at = 2 + 6 * k;
        if (e.report[at] != 0) {
            std::ostringstream one;
            one << int(e.report[at]) << ":" << int(e.report[at + 1]) << "=" << floatAt(e, at + 2) << " ";
            out += one.str();
        }
    }
    return out;
}

TEST(Scenario, DirectivesYieldTheirReportsAtTheScriptTime) {
    const auto events = play("# comment\n"
                             "announce 2 light fff   # trailing comment\n"
                             "\n"
                             "wait 250\n"
                             "values 2:0=0.5 2:2=-1\n"
                             "unplug\n"
                             "wait 1.5\n"
                             "replug\n"
                             "raw 03 00 ff\n"
                             "announce 16 \"\" \"\"\n"
                             "raw " +
                             std::string(126, 'a') + "\n");
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events[0].at, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(events[0].data()) + 3), "light");
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(events[0].data()) + 10), "fff");
    EXPECT_EQ(events[1].at, 0.25);
    EXPECT_EQ(entries(events[1]), "2:0=0.5 2:2=-1 ");
    EXPECT_EQ(events[2].kind, Event::Kind::Unplug);
    EXPECT_EQ(events[3].kind, Event::Kind::Replug);
    EXPECT_DOUBLE_EQ(events[3].at, 0.2515);
    EXPECT_EQ(std::vector<unsigned char>(events[4].data(), events[4].data() + events[4].size()),
              (std::vector<unsigned char>{3, 0, 0xff}));
    EXPECT_EQ(events[5].size(), 62u);
    EXPECT_EQ(events[5].report[2], 16);
    EXPECT_EQ(events[5].report[3], 0);
    // Raw reports keep their length; report holds what fits of them.
    EXPECT_EQ(events[6].size(), 63u);
    EXPECT_EQ(events[6].report[61], 0xaa);
}

TEST(Scenario, ErrorsNameTheFileAndLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"announce 1 a f\nvalues 1:0\n", "bad.txt:2: a value is written C:I=V, not 1:0"},
        {"\n\nannounce 256 a f\n", "bad.txt:3: connector must be a whole number 0..255: 256"},
        {"values" + repeat(" 1:0=1", 11), "bad.txt:1: values takes 1 to 10 entries C:I=V"},
        {"raw 03 0", "bad.txt:1: raw takes whole bytes in hex"},
        {"wait 5ms", "bad.txt:1: bad pause: 5ms"},
        {"generate sine 1 0 10", "bad.txt:1: rate must be positive: 0"},
        {"flood 10", "bad.txt:1: flood needs a connector announced with values before it"},
        {"announce 1 " + std::string(58, 'n') + " ff",
         "bad.txt:1: announcement does not fit in one report: "},
        {"jump 3", "bad.txt:1: unknown directive: jump"},
    };
    for (const auto &[text, message] : cases) {
        EXPECT_EQ(parseError(text).substr(0, message.size()), message) << text;
    }
    EXPECT_EQ(parseError("announce 1 " + std::string(57, 'n') + " \"\""), "no error");
}

TEST(Scenario, GeneratorsRunAlongsideTheLinesThatFollow) {
    const auto events = play("generate button 5 10 0.3\n"
                             "wait 150\n"
                             "values 1:0=7\n"
                             "generate sine 1 20 0.1\n");
    std::vector<std::pair<double, std::string>> seen;
    for (const Event &e : events) {
        seen.push_back({std::round(e.at * 1000), entries(e)});
    }
    const std::vector<std::pair<double, std::string>> expected = {{0, "5:0=0 "},   {100, "5:0=1 "},
                                                                  {150, "1:0=7 "}, {150, "1:0=0.5 "},
                                                                  {200, "5:0=0 "}, {200, "1:0=0.515705 "}};
    EXPECT_EQ(seen, expected);
}

TEST(Scenario, ClockReportsCarryTheirDueTimeOnTheMonotonicClock) {
    const auto events = play("wait 500\ngenerate clock 3 4 1\n", 70000.75);
    ASSERT_EQ(events.size(), 4u);
    // Origin 70000.75 s: the first report is due at 70001.25 s, the last at 70002.0 s.
    EXPECT_EQ(entries(events[0]), "3:0=4465 3:1=250000 ");
    EXPECT_EQ(entries(events[3]), "3:0=4466 3:1=0 ");
}

TEST(Scenario, FloodFillsEveryValueOfTheAnnouncedConnectorsRoundRobinAllAtOnce) {
    const auto events = play("announce 1 light f\n"
                             "announce 12 accel xyz\n"
                             "announce 5 off \"\"\n"
                             "wait 100\n"
                             "flood 3\n"
                             "values 2:0=1\n");
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(entries(events[3]), "1:0=0 12:0=0 12:1=0 12:2=0 1:0=0 12:0=0 12:1=0 12:2=0 1:0=0 12:0=0 ");
    EXPECT_EQ(entries(events[4]), "12:1=1 12:2=1 1:0=1 12:0=1 12:1=1 12:2=1 1:0=1 12:0=1 12:1=1 12:2=1 ");
    EXPECT_EQ(entries(events[6]), "2:0=1 ");
    for (int k = 3; k < 7; ++k) {
        EXPECT_DOUBLE_EQ(events[k].at, 0.1);
    }
}

} // namespace
