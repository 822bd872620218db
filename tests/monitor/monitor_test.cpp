// The monitor's model and plain table, driven by streams.txt; its checks, by made-up trees in trees.txt.
#include "checks.h"
#include "forwarder.h"
#include "layout.h"
#include "plain.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

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

// Cases: "case NAME", "at …" or "malformed" lines, then "show T" and the table's first lines to "end".
TEST(Monitor, Streams) {
    std::ifstream file(std::string(MONITOR_TEST_DIR) + "/streams.txt");
    Status status{
        9876, {"127.0.0.1:9877 ok"}, {HubState::Readable, "/dev/hidraw3", 0, false, true, true, false, {}}};
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
        else if (word == "show" && (in >> at))
            shown = renderPlain(model, status, std::stod(at)), expected.clear(), expecting = true;
        else if (word == "end") {
            expecting = false;
            EXPECT_EQ(shown.substr(0, expected.size()), expected) << name;
        }
    }
}

// Lines: outcomes (hub lines, bridge, port lines), a text, '|', "path=content;path->link;…".
TEST(Monitor, ChecksOnMadeUpTrees) {
    std::ifstream file(std::string(MONITOR_TEST_DIR) + "/trees.txt");
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
        std::vector<CheckLine> lines =
            checkLines(gatherFacts({root / "sys", root / "proc", root / "dev"}, 9876), 9876);
        for (const char *machine : {"localhost", "loopback"}) // the machine's own resolver and lo
            lines.erase(std::find_if(lines.begin(), lines.end(), [&](const CheckLine &line) {
                return line.text.rfind(machine, 0) == 0;
            }));
        std::string outcome, all;
        for (const CheckLine &line : lines)
            outcome += line.ok ? 'y' : 'n', all += line.text + "\n";
        EXPECT_EQ(outcome, ok) << all;
        EXPECT_NE(all.find(says.substr(1, says.size() - 2)), std::string::npos) << all;
        fs::remove_all(root);
    }
}

// Outside text keeps printable UTF-8; each control, C1 or stray byte becomes one '?'.
TEST(Monitor, Printable) {
    const std::pair<std::string, std::string> cases[] = {
        {"/a b é █ 日本", "/a b é █ 日本"},        // valid UTF-8 stays
        {"\x1b]2;pwn\x07\x1b[2J", "?]2;pwn??[2J"}, // C0
        {"a\x7f"
         "b",
         "a?b"}, // DEL
        {"a\x9b"
         "1m",
         "a?1m"}, // raw C1
        {"a\xc2\x9b"
         "b\xc2\x80",
         "a?b?"},                          // C1 in UTF-8
        {"a\xe2\x96", "a??"},              // truncated sequence
        {"\xc0\xaf\xe0\x80\xaf", "?????"}, // overlong '/'
        {"\x80"
         "a\xbf",
         "?a?"},                                  // lone continuation bytes
        {"\xed\xa0\x80\xf5\x80", "?????"},        // surrogate, beyond U+10FFFF
        {"\xf0\x9f\x8e\xb9", "\xf0\x9f\x8e\xb9"}, // four bytes, U+1F3B9
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(printable(in), out) << in;
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
        std::string error;
        Forwarder forwarder;
        bool parsed = parseOptions(3, const_cast<char **>(argv), options, error);
        bool opened = parsed && forwarder.open(options.forwards, 9876, error);
        EXPECT_EQ(!parsed ? "bad" : opened ? "ok" : "own", std::string(outcome)) << text << ": " << error;
    }
}

// At any width, every value keeps a space before the next; sparklines go before bars, bars before values.
TEST(Monitor, ValueLayoutKeepsValuesApart) {
    for (int width : {30, 41, 42, 50, 80, 120, 200})
        for (int values : {1, 3, 8}) {
            ValueLayout l = layoutValues(width, values);
            int used = kValueWidth + (l.bars > 0) + l.bars + (l.sparks > 0) + l.sparks;
            std::string at = std::to_string(width) + " columns, " + std::to_string(values) + " values";
            EXPECT_TRUE(l.sparks == 0 || l.bars > 0) << at;
            EXPECT_TRUE(l.shown == values || l.bars == 0) << at;
            EXPECT_EQ(l.shown > 0, width >= kValuesStart + kValueWidth) << at;
            if (l.shown > 0) {
                EXPECT_LT(used, l.column) << at;
                EXPECT_LE(kValuesStart + (l.shown - 1) * l.column + used, width) << at;
            }
        }
    EXPECT_EQ(layoutValues(50, 3).shown, 2); // 0.061 -0.19, not 0.061-0.190.9524
}
