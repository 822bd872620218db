// What a user of the virtual hub meets: a bad scenario stops with a message naming the file and
// line, and a good one plays on the schedule docs/scenarios.md states.
#include "scenario.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>

namespace {

// The events as MS:C for a report (C its third byte: the first entry's or the announced
// connector), MS:U for an unplug and MS:P for a replug; or the error.
std::string play(const std::string &text) {
    std::istringstream input(text);
    std::ostringstream out;
    try {
        vhub::Player player(vhub::parseScenario(input, "a.txt"), 0);
        for (vhub::Event e; player.next(e); out << " ") {
            const char *kinds[] = {"", "U", "P"};
            out << e.at * 1000 << ":"; // six digits at most
            e.kind == vhub::Event::Kind::Report ? out << int(e.report[2]) : out << kinds[int(e.kind)];
        }
    } catch (const std::runtime_error &error) {
        return error.what();
    }
    return out.str();
}

TEST(Scenario, PlaysOnScheduleOrStopsWithAMessageNamingTheLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"announce 1 a f\nwait 250\nunplug\nwait 1.5\nreplug\nraw 03 00 02", "0:1 250:U 251.5:P 251.5:2 "},
        {"generate button 5 10 0.3\nwait 150\nvalues 1:0=7", "0:5 100:5 150:1 200:5 "},
        {"repeat 3\nvalues 1:0=1\nwait 10\nend\nvalues 2:0=1", "0:1 10:1 20:1 30:2 "},
        {"repeat 2\nrepeat 2\nunplug\nreplug\nend\nwait 5\nend", "0:U 0:P 0:U 0:P 5:U 5:P 5:U 5:P "},
        {"repeat 2\ngenerate button 5 10 0.2\nwait 150\nend", "0:5 100:5 150:5 250:5 "},
        {"announce 1 a f\nvalues 1:0\n", "a.txt:2: a value is written C:I=V, not 1:0"},
        {"\n\nannounce 256 a f\n", "a.txt:3: connector must be a whole number 0..255: 256"},
        {"values 1:0=1e300", "a.txt:1: value beyond the float range: 1:0=1e300"},
        {"raw " + std::string(2 * 4096, 'a'), "0:170 "},
        {"raw " + std::string(2 * 4097, 'a'), "a.txt:1: raw takes at most 4096 bytes"},
        {"wait inf", "a.txt:1: bad pause: inf"},
        {"wait 86400001", "a.txt:1: pause must be 0 to one day (86400000 ms): 86400001"},
        {"generate sine 1 nan 10", "a.txt:1: bad rate: nan"},
        {"generate sine 1 2e6 1", "a.txt:1: rate must be at most 1000000 per second: 2e6"},
        {"generate sine 1 10 86401", "a.txt:1: duration must be 0 to one day (86400000 ms): 86401"},
        {"repeat 2\nwait 43200000\nend", ""},
        {"repeat 2\nwait 43200001\nend", "a.txt:3: the scenario plays for more than a day"},
        {"repeat 2\ngenerate sine 1 1 50000\nwait 40000000\nend",
         "a.txt:4: the scenario plays for more than a day"},
        {"wait 1\nrepeat 2\nrepeat 2\nend\n", "a.txt:2: repeat without end"},
        {"end", "a.txt:1: end without repeat"},
        {"jump 3", "a.txt:1: unknown directive: jump"},
        {"announce 2 \"my knob f", "a.txt:1: unterminated quote"},
        {"announce 2 my knob f",
         "a.txt:1: announce wants C NAME SIG: unexpected f (a name with spaces goes in double quotes)"},
        {"announce 2 knob", "a.txt:1: announce wants C NAME SIG: missing SIG"},
        {"generate sine 1",
         "a.txt:1: generate wants accel|sine|button|clock C RATE SECONDS: missing RATE SECONDS"},
        {"unplug now", "a.txt:1: unplug wants nothing more: unexpected now"},
    };
    for (const auto &[text, expected] : cases) {
        EXPECT_EQ(play(text), expected) << text.substr(0, 60);
    }
}

TEST(Scenario, QuotesHoldSpacesAndEmptyWords) {
    const std::vector<std::array<std::string, 3>> cases = {
        {"announce 2 \"my knob\" f", "my knob", "f"},
        {"announce 2 \"\" \"\"", "", ""},
        {"announce 2 \"a # b\" \"f f\" # comment", "a # b", "f f"},
    };
    for (const auto &[line, name, signature] : cases) {
        std::istringstream input(line);
        vhub::Player player(vhub::parseScenario(input, "a.txt"), 0);
        vhub::Event event;
        ASSERT_TRUE(player.next(event)) << line;
        EXPECT_EQ(event.report, vhub::announcement(2, name, signature)) << line;
    }
}

TEST(Scenario, AFolderIsNoScenario) {
    try {
        vhub::loadScenario(::testing::TempDir());
        FAIL() << "no error";
    } catch (const std::runtime_error &error) {
        EXPECT_EQ(error.what(), ::testing::TempDir() + ": cannot read the scenario: Is a directory");
    }
}

} // namespace
