// The monitor's model, plain rendering and checks, fed with made-up streams and made-up trees.
#include "checks.h"
#include "plain.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;

struct Event {
    double t;
    std::string address;
    std::vector<double> values;
    int repeat = 1; // that many messages, 10 ms apart; a trailing % in the address becomes the index
};

Model play(const std::vector<Event> &events) {
    Model model;
    for (const Event &event : events)
        for (int i = 0; i < event.repeat; ++i) {
            std::string address = event.address;
            if (address.back() == '%')
                address.replace(address.size() - 1, 1, std::to_string(i));
            Message message;
            message.address = address;
            message.argc = static_cast<int>(event.values.size());
            for (int v = 0; v < message.argc; ++v)
                message.values[v] = Value{true, event.values[v], {}};
            model.add(message, event.t + 0.01 * i);
        }
    return model;
}

struct ModelCase {
    const char *name;
    std::vector<Event> events;
    double now;
    std::string rows;                             // addresses in display order, space-separated
    double rate, min, max;                        // of the first row's first value
    std::vector<std::pair<int64_t, float>> slots; // history of that value (NaN: empty slot)
    size_t beyondCap = 0;
};

TEST(MonitorModel, Table) {
    const std::vector<ModelCase> cases = {
        {"connector order, others alphabetical",
         {{0, "/zz", {1}},
          {0, "/vrenn/UART-gps", {1}},
          {0, "/vrenn/I2C-b", {1}},
          {0, "/vrenn/I2C-a", {1}},
          {0, "/vrenn/D8-x", {1}},
          {0, "/vrenn/D2-x", {1}},
          {0, "/vrenn/A3-x", {1}},
          {0, "/vrenn/Zed", {1}},
          {0, "/vrenn/A0-x", {1}}},
         0.1,
         "/vrenn/A0-x /vrenn/A3-x /vrenn/D2-x /vrenn/D8-x /vrenn/I2C-a /vrenn/I2C-b /vrenn/UART-gps "
         "/vrenn/Zed /zz",
         0,
         1,
         1,
         {{0, 1}}},
        {"rate over the last full second", {{1.0, "/a", {2}, 100}}, 2.0, "", 100, 2, 2, {}},
        {"rate falls to zero in silence", {{1.0, "/a", {2}, 100}}, 4.0, "", 0, 2, 2, {}},
        {"range ignores NaN",
         {{0, "/a", {3}}, {0.3, "/a", {-1}}, {0.6, "/a", {NAN}}, {0.9, "/a", {7}}},
         1,
         "/a",
         4,
         -1,
         7,
         {{0, 3}, {1, -1}, {2, NAN}, {3, 7}}},
        {"a new length restarts the range",
         {{0, "/a", {5}}, {1, "/a", {1, 2}}},
         1.1,
         "/a",
         1,
         1,
         1,
         {{0, NAN}, {4, 1}}},
        {"history wraps after 12 s",
         {{0, "/a", {1}}, {12, "/a", {2}}},
         12.1,
         "/a",
         0,
         1,
         2,
         {{0, NAN}, {1, NAN}, {48, 2}}},
        {"at most 1024 rows", {{0, "/a%", {1}, 1030}}, 11, "", 0, 1, 1, {}, 6},
    };
    for (const ModelCase &c : cases) {
        SCOPED_TRACE(c.name);
        Model model = play(c.events);
        std::string rows;
        for (const auto &entry : model.rows())
            rows += (rows.empty() ? "" : " ") + entry.first;
        EXPECT_EQ(rows, c.rows.empty() ? rows : c.rows);
        const Row &first = model.rows().begin()->second;
        EXPECT_EQ(first.counter.rate(c.now), c.rate);
        EXPECT_EQ(first.series[0].min, c.min);
        EXPECT_EQ(first.series[0].max, c.max);
        for (auto [bin, value] : c.slots) {
            float slot = Model::historyAt(first, 0, bin);
            EXPECT_TRUE(std::isnan(value) ? std::isnan(slot) : slot == value)
                << "slot " << bin << ": " << slot;
        }
        EXPECT_EQ(model.rows().size(), c.beyondCap ? kMaxRows : model.rows().size());
        EXPECT_EQ(model.beyondCap(), c.beyondCap);
    }
}

TEST(MonitorPlain, KnownStream) {
    Model model = play({{0, "/vrenn/I2C-accel", {0.5, -1, 9.81}, 1},
                        {0.5, "/vrenn/I2C-accel", {0.25, 0, 9.5}},
                        {0.7, "/other", {}},
                        {1.0, "/vrenn/A0-light", {0.125}, 20}});
    Message text;
    text.address = "/vrenn/D2-\x1b[2J";
    text.argc = 10;
    text.values[0] = Value{false, 0, "hello"};
    model.add(text, 1.1);
    model.addMalformed();
    Status status;
    status.port = 9876;
    status.targets = {"127.0.0.1:9877", "[::1]:8000 (3 not sent)"};
    status.facts.hub = HubState::Readable;
    status.facts.node = "/dev/hidraw3";
    std::ifstream expected(std::string(MONITOR_TEST_DIR) + "/plain_expected.txt");
    std::stringstream text_expected;
    text_expected << expected.rdbuf();
    EXPECT_EQ(renderPlain(model, status, 3.3), text_expected.str());
}

struct TreeCase {
    const char *tree; // "path=content" or "path->link target", separated by ';'
    const char *ok;   // one letter per check, localhost left out: y ok, n not
    const char *says; // a text that one of the lines must hold
};

TEST(MonitorChecks, MadeUpTrees) {
    const char *hub = "sys/class/hidraw/hidraw3/device->../../../0003:2341:8036.0001";
    const std::vector<TreeCase> cases = {
        {"", "nnnny", "hub: not found"},
        {"sys/class/hidraw/hidraw0/device->../../0003:046D:C52B.0002;sys/class/net/lo/operstate=down",
         "nnnny", "lo is down"},
        {"@;sys/class/net/lo/operstate=unknown", "ynnyy", "/dev/hidraw3 is not readable"},
        {"@;dev/hidraw3=;proc/77/comm=vrennosc;sys/class/net/lo/operstate=up", "yyyyy", "pid 77"},
        {"proc/net/udp=  0: 0100007F:2694 00000000:0000 07 0:0 00:0 0 1000 0 4242 2;proc/42/comm=oscdump;"
         "proc/42/fd/5->socket:[4242]",
         "nnnnn", "held by oscdump (pid 42)"},
    };
    for (const TreeCase &c : cases) {
        SCOPED_TRACE(c.tree);
        fs::path root = fs::temp_directory_path() / ("monitor_tree_" + std::to_string(getpid()));
        fs::remove_all(root);
        std::stringstream entries(c.tree);
        for (std::string entry; std::getline(entries, entry, ';');) {
            entry = entry == "@" ? hub : entry;
            size_t link = entry.find("->"), file = entry.find('=');
            fs::path path = root / entry.substr(0, std::min(link, file));
            fs::create_directories(path.parent_path());
            if (link < file)
                fs::create_symlink(entry.substr(link + 2), path);
            else
                std::ofstream(path) << entry.substr(file + 1) << "\n";
        }
        Roots roots{(root / "sys").string(), (root / "proc").string(), (root / "dev").string()};
        std::vector<CheckLine> lines = checkLines(gatherFacts(roots, 9876), 9876);
        lines.erase(lines.begin() + 3);
        std::string ok, all;
        for (const CheckLine &line : lines)
            ok += line.ok ? 'y' : 'n', all += line.text + "\n";
        EXPECT_EQ(ok, c.ok) << all;
        EXPECT_NE(all.find(c.says), std::string::npos) << all;
        fs::remove_all(root);
    }
}
