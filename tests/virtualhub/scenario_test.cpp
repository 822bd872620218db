// What a user of the virtual hub meets: a clear error for a bad scenario, naming the file and line,
// and the schedule the README states (script clock, generators alongside the lines, repeats).
#include "scenario.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

template <typename Load> std::string errorOf(Load load) {
    try {
        load();
    } catch (const std::runtime_error &error) {
        return error.what();
    }
    return "no error";
}

std::string parseError(const std::string &text) {
    std::istringstream input(text);
    return errorOf([&] { vhub::parseScenario(input, "bad.txt"); });
}

TEST(Scenario, BadScenariosStopWithAMessageNamingTheLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"announce 1 a f\nvalues 1:0\n", "bad.txt:2: a value is written C:I=V, not 1:0"},
        {"\n\nannounce 256 a f\n", "bad.txt:3: connector must be a whole number 0..255: 256"},
        {"values 1:0=1e300", "bad.txt:1: value beyond the float range: 1:0=1e300"},
        {"raw " + std::string(2 * 4097, 'a'), "bad.txt:1: raw takes at most 4096 bytes"},
        {"raw " + std::string(2 * 4096, 'a'), "no error"},
        {"wait 5ms", "bad.txt:1: bad pause: 5ms"},
        {"wait inf", "bad.txt:1: bad pause: inf"},
        {"wait 86400001", "bad.txt:1: pause must be 0 to one day (86400000 ms): 86400001"},
        {"generate sine 1 nan 10", "bad.txt:1: bad rate: nan"},
        {"generate sine 1 2e6 1", "bad.txt:1: rate must be at most 1000000 per second: 2e6"},
        {"generate sine 1 10 86401", "bad.txt:1: duration must be 0 to one day (86400000 ms): 86401"},
        {"repeat 2\nwait 43200000\nend", "no error"},
        {"repeat 2\nwait 43200001\nend", "bad.txt:3: the scenario plays for more than a day"},
        {"repeat 2\ngenerate sine 1 1 50000\nwait 40000000\nend",
         "bad.txt:4: the scenario plays for more than a day"},
        {"wait 1\nrepeat 2\nrepeat 2\nend\n", "bad.txt:2: repeat without end"},
        {"end", "bad.txt:1: end without repeat"},
        {"repeat 2.5", "bad.txt:1: count must be a whole number: 2.5"},
        {"flood 10", "bad.txt:1: flood needs a connector announced with values before it"},
        {"jump 3", "bad.txt:1: unknown directive: jump"},
    };
    for (const auto &[text, message] : cases) {
        EXPECT_EQ(parseError(text), message) << text.substr(0, 60);
    }
}

TEST(Scenario, AFileThatCannotBeReadIsAnError) {
    const std::string folder = ::testing::TempDir();
    EXPECT_EQ(errorOf([&] { vhub::loadScenario(folder); }),
              folder + ": cannot read the scenario: Is a directory");
    EXPECT_EQ(errorOf([] { vhub::loadScenario("/absent.txt"); }),
              "/absent.txt: cannot open the scenario: No such file or directory");
}

// Each event as MS:C (a report, C its third byte: the first entry's or announced connector), MS:U
// (unplug) or MS:P (replug).
std::string schedule(const std::string &text) {
    std::istringstream input(text);
    vhub::Player player(vhub::parseScenario(input, "test.txt"), 0);
    std::ostringstream out;
    for (vhub::Event e; player.next(e);) {
        out << std::round(e.at * 1e4) / 10 << ":";
        const char *kinds[] = {"", "U", "P"};
        e.kind == vhub::Event::Kind::Report ? out << int(e.report[2]) : out << kinds[int(e.kind)];
        out << " ";
    }
    return out.str();
}

TEST(Scenario, EventsFallDueOnTheScriptClock) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"announce 1 a f\nwait 250\nunplug\nwait 1.5\nreplug\nraw 03 00 02", "0:1 250:U 251.5:P 251.5:2 "},
        {"generate button 5 10 0.3\nwait 150\nvalues 1:0=7", "0:5 100:5 150:1 200:5 "},
        {"repeat 3\nvalues 1:0=1\nwait 10\nend\nvalues 2:0=1", "0:1 10:1 20:1 30:2 "},
        {"repeat 2\nrepeat 2\nunplug\nreplug\nend\nwait 5\nend", "0:U 0:P 0:U 0:P 5:U 5:P 5:U 5:P "},
        {"repeat 2\ngenerate button 5 10 0.2\nwait 150\nend", "0:5 100:5 150:5 250:5 "},
    };
    for (const auto &[text, expected] : cases) {
        EXPECT_EQ(schedule(text), expected) << text;
    }
}

} // namespace
