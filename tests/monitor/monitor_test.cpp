// The monitor's model and plain table, driven by streams.txt; its checks, by made-up trees in
// trees.txt; its address order, by the bridge's own cases; its forward targets and layout.
#include "cells.h"
#include "checks.h"
#include "datagrams.h"
#include "forwarder.h"
#include "layout.h"
#include "options.h"
#include "plain.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace monitor {
namespace {

std::ifstream dataFile(const std::string &path) {
    std::ifstream file(path);
    EXPECT_TRUE(file.is_open()) << path;
    return file;
}

// "T ADDRESS [xN] V…": N messages 10 ms apart, a % in the address numbering them; "s:TEXT" is text.
void play(Model &model, std::istringstream &in) {
    double t = 0;
    int repeat = 1;
    std::string address, word;
    std::vector<std::string> values;
    for (in >> t >> address; in >> word;)
        word[0] == 'x' ? void(repeat = std::stoi(word.substr(1))) : values.push_back(word);
    for (int i = 0; i < repeat; ++i) {
        std::string numbered =
            address.back() == '%' ? address.substr(0, address.size() - 1) + std::to_string(i) : address;
        Message message{numbered, static_cast<int>(values.size()), {}};
        for (int v = 0; v < message.argc && v < kMaxValues; ++v) {
            bool text = values[v].rfind("s:", 0) == 0;
            message.values[v] = Value{!text, text ? 0 : std::stod(values[v]), {}};
            std::snprintf(message.values[v].text, sizeof message.values[v].text, "%s",
                          values[v].c_str() + 2 * text);
        }
        model.add(message, t + 0.01 * i);
    }
}

} // namespace

// Cases: "case NAME", "at …" or "malformed" lines, then "show T [WIDTH]" and the table's first lines to
// "end".
TEST(Monitor, Streams) {
    std::ifstream file = dataFile(std::string(MONITOR_TEST_DIR) + "/streams.txt");
    int cases = 0;
    Status status{9876,
                  {"127.0.0.1:9877 ok"},
                  {HubState::Readable, "/dev/hidraw3", 0, false, true, true, false, {}, {}}};
    Model model;
    std::string line, name, expected, shown;
    for (bool expecting = false; std::getline(file, line);) {
        std::istringstream in(line);
        std::string word, at;
        in >> word;
        if (expecting && word != "end")
            expected += line + "\n";
        else if (word == "case")
            model = Model(), name = line;
        else if (word == "at")
            play(model, in);
        else if (word == "malformed")
            model.addMalformed();
        else if (word == "show" && (in >> at)) {
            int width = 0; // any width, unless the line gives one
            in >> width;
            shown = renderPlain(model, status, std::stod(at), width), expected.clear(), expecting = true;
        } else if (word == "end") {
            expecting = false;
            EXPECT_EQ(shown.substr(0, expected.size()), expected) << name;
            ++cases;
        }
    }
    EXPECT_GT(cases, 5);
}

// Lines: outcomes (hub lines, bridge, port lines), a text, '|', "path=content;path->link;…".
TEST(Monitor, ChecksOnMadeUpTrees) {
    std::ifstream file = dataFile(std::string(MONITOR_TEST_DIR) + "/trees.txt");
    int trees = 0;
    for (std::string ok, says, tree, entry;
         std::getline(file >> ok, says, '|') && std::getline(file, tree);) {
        namespace fs = std::filesystem;
        fs::path root = fs::temp_directory_path() / ("monitor_tree_" + std::to_string(getpid()));
        for (std::stringstream entries(tree); std::getline(entries >> std::ws, entry, ';');) {
            size_t link = entry.find("->"), file = entry.find('=');
            fs::path path = root / entry.substr(0, std::min(link, file));
            fs::create_directories(path.parent_path());
            link < file ? fs::create_symlink(entry.substr(link + 2), path)
                        : void(std::ofstream(path) << entry.substr(file + 1) << "\n");
        }
        std::string outcome, all;
        for (const Check &check :
             checks(gatherFacts({root / "sys", root / "proc", root / "dev"}, 9876), 9876))
            if (check.kind != CheckKind::Localhost && check.kind != CheckKind::Loopback) // this machine's own
                outcome += check.verdict == Verdict::Ok ? 'y' : 'n', all += check.text() + "\n";
        EXPECT_EQ(outcome, ok) << all;
        EXPECT_NE(all.find(says.substr(1, says.size() - 2)), std::string::npos) << all;
        fs::remove_all(root);
        ++trees;
    }
    EXPECT_GT(trees, 5);
}

// --forward texts: "bad" fails parsing, "own" is refused as the monitor's own socket (port 9876).
TEST(Monitor, ForwardTargets) {
    const std::pair<const char *, const char *> cases[] = {
        {"127.0.0.1:9876", "own"},
        {"0.0.0.0:9876", "own"},
        {"[::ffff:127.0.0.1]:9876", "own"},
        {"[::ffff:0.0.0.0]:9876", "own"},
        {"localhost:9876", "own"},
        {"127.1:9876", "own"},
        {"127.0.0.1:9877", "ok"},
        {"[::ffff:127.0.0.1]:9877", "ok"},
        {"127.0.0.2:9876", "ok"},
        {"[::1]:9876", "ok"},
        {"nosuchhost.invalid:9876", "ok"},
        {"::1:9876", "bad"},
        {"[::1]:0", "bad"},
        {"host", "bad"},
    };
    for (const auto &[text, outcome] : cases) {
        const char *argv[] = {"monitor", "--forward", text};
        Options options;
        Forwarder forwarder;
        std::string refused = parseOptions(3, const_cast<char **>(argv), options);
        std::optional<common::Failure> failure;
        if (refused.empty())
            failure = forwarder.open(options.forwards, 9876);
        EXPECT_EQ(!refused.empty() ? "bad"
                  : failure        ? "own"
                                   : "ok",
                  std::string(outcome))
            << text << ": " << refused << (failure ? failure->text : "");
    }
}

// At any width, every value keeps a space before the next; sparklines go before bars, bars before values.
TEST(Monitor, ValueLayoutKeepsValuesApart) {
    for (int width : {30, 40, 41, 42, 44, 48, 50, 60, 80, 120, 200})
        for (int values : {1, 3, 8}) {
            ValueLayout l = layoutValues(width, values);
            int used = kValueWidth + (l.bars > 0) + l.bars + (l.sparks > 0) + l.sparks;
            std::string at = std::to_string(width) + " columns, " + std::to_string(values) + " values";
            EXPECT_TRUE(l.sparks == 0 || l.bars > 0) << at;
            EXPECT_TRUE(l.shown == values || l.bars == 0) << at;
            if (l.shown > 0) {
                EXPECT_LT(used, l.column) << at;
                EXPECT_LE(kValuesStart + (l.shown - 1) * l.column + used, width) << at;
            }
            // Values left out are said so in words, after the values shown and within the width.
            EXPECT_EQ(l.shown < values && width >= kValuesStart + 4,
                      l.hidden.find("more") != std::string::npos)
                << at;
            if (!l.hidden.empty()) {
                EXPECT_LE(kValuesStart + l.shown * l.column + static_cast<int>(l.hidden.size()), width) << at;
            }
        }
    const struct {
        int width, values, shown;
        const char *hidden;
    } narrow[] = {{40, 1, 0, "+1 more"}, {44, 3, 0, "+3 more"}, {50, 3, 1, "+2 more"}, {52, 3, 1, "+2 more"},
                  {60, 3, 3, ""},        {36, 3, 0, ""},        {38, 3, 0, "more"},    {60, 1, 1, ""}};
    for (const auto &c : narrow) {
        ValueLayout l = layoutValues(c.width, c.values);
        EXPECT_EQ(l.shown, c.shown) << c.width << " columns";
        EXPECT_EQ(l.hidden, c.hidden) << c.width << " columns";
    }
}

// Out of descriptors, a target says so, rather than that it cannot be reached.
TEST(Monitor, ForwardWithoutDescriptors) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' runtime needs descriptors of its own, to check memory";
#endif
    common::Endpoint target;
    ASSERT_TRUE(common::parseEndpoint("127.0.0.1:9", target));
    rlimit before{};
    getrlimit(RLIMIT_NOFILE, &before);
    int lowestFree = dup(0);
    close(lowestFree);
    rlimit none = before;
    none.rlim_cur = static_cast<rlim_t>(lowestFree); // every descriptor below it is in use
    setrlimit(RLIMIT_NOFILE, &none);
    Forwarder forwarder;
    forwarder.open({target}, 9876);
    std::string state = forwarder.state(0);
    setrlimit(RLIMIT_NOFILE, &before);
    EXPECT_EQ(state, "no socket: out of descriptors or memory");
}

// Each argument type, as a datagram, and what the views show of it: a number (plotted) or text.
TEST(Monitor, DecodesEachArgumentType) {
    const std::pair<const char *, const char *> cases[] = {
        {"2f7800002c690000fffffffe", "-2"},
        {"2f7800002c6600003fc00000", "1.5"},
        {"2f7800002c680000fffffffffffffffd", "-3"},
        {"2f7800002c6400003ff8000000000000", "1.5"},
        {"2f7800002c540000", "1"},
        {"2f7800002c460000", "0"},
        {"2f7800002c73000061620000", "s:ab"},
        {"2f7800002c53000061620000", "s:ab"},
        {"2f7800002c63000000000041", "s:'A'"},
        {"2f7800002c6200000000000361626300", "s:blob[3]"},
        {"2f7800002c4e0000", "s:nil"},
        {"2f7800002c490000", "s:inf"},
        {"2f7800002c7400000000000100000000", "s:time"},
        {"2f7800002c6d000001020304", "s:midi"},
        {"2f7800002c69660000000007bf800000", "7 -1"},
        {"2f7800002c7300001b5b326a00000000", "s:?[2j"},
        {"2f7800002c690000", nullptr},     // an argument missing
        {"2f7800002c6600003f80", nullptr}, // half a float
        {"2362756e646c6500", nullptr},     // a bundle
    };
    for (const auto &[hex, expected] : cases) {
        std::vector<uint8_t> datagram = fromHex(hex);
        Message message;
        bool decoded = decodeMessage(datagram.data(), datagram.size(), message);
        ASSERT_EQ(decoded, expected != nullptr) << hex;
        if (!decoded)
            continue;
        std::string shown;
        for (int i = 0; i < message.argc; ++i)
            shown += (i ? " " : "") + std::string(message.values[i].numeric ? "" : "s:") +
                     valueText(message.values[i]);
        EXPECT_EQ(message.address, "/x") << hex;
        EXPECT_EQ(shown, expected) << hex;
    }
}

// A row keeps at most kMaxAddress bytes of its address, cut between characters and marked; two
// addresses alike up to there share a row.
TEST(Monitor, LongAddressesAreCutInRows) {
    const std::string start = "/" + std::string(kMaxAddress - 2, 'a');
    const struct {
        std::string address, row;
    } cases[] = {
        {start + "b", start + "b"},
        {start + "bc", start + "b" + std::string(kCutMark)},
        {start + "é" + std::string(60000, 'x'), start + std::string(kCutMark)},
        {start + "bd", start + "b" + std::string(kCutMark)},
    };
    Model model;
    for (const auto &c : cases) {
        Message message;
        message.address = c.address;
        model.add(message, 1);
        EXPECT_TRUE(model.rows().count(c.row)) << c.address.size() << " bytes";
    }
    EXPECT_EQ(model.rows().size(), 3u);
}

// Rows come in the order the bridge sends its connectors (the bridge's own case), before others.
TEST(Monitor, RowsFollowTheBridgesConnectorOrder) {
    std::ifstream file = dataFile(BRIDGE_CASES);
    std::vector<std::string> bridge;
    bool inCase = false;
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("== ", 0) == 0)
            inCase = line == "== every connector's label";
        else if (inCase && line.rfind("> ", 0) == 0) {
            std::string address = line.substr(2, line.find(' ', 2) - 2);
            if (bridge.empty() || bridge.back() != address)
                bridge.push_back(address);
        }
    }
    ASSERT_EQ(bridge.size(), 13u) << "A0-A3, D2-D8, I2C and UART";
    Model model;
    std::vector<std::string> added = {"/a", "/vrenn/zz"};
    added.insert(added.end(), bridge.rbegin(), bridge.rend());
    for (const std::string &address : added)
        model.add(Message{address, 0, {}}, 0);
    std::vector<std::string> rows;
    for (const auto &[address, row] : model.rows())
        rows.push_back(address);
    bridge.insert(bridge.end(), {"/a", "/vrenn/zz"});
    EXPECT_EQ(rows, bridge);
}

} // namespace monitor
