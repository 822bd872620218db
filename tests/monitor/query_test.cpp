// The OSCQuery namespace read as its clients read it, from a model fed by take lines; a client's
// commands; and the listeners' queues.
#include "command.h"
#include "datagrams.h"
#include "decode.h"
#include "listeners.h"
#include "query_tree.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace monitor {
namespace {

Model modelOf(const std::vector<std::string> &lines) {
    Model model;
    for (const std::string &line : lines) {
        std::vector<uint8_t> datagram = datagramOf("00000000.00000001 " + line);
        Message message;
        EXPECT_TRUE(decodeMessage(datagram.data(), datagram.size(), message)) << line;
        model.add(message, 1);
    }
    return model;
}

const std::vector<std::string> kTake = {
    "/vrenn/A0-light fff 0.5 0 2", "/vrenn/A0-light fff 0.25 1 2", "/vrenn/D2-button i 1",
    "/vrenn/I2C-my/knob f 3",      "/other sd word 1e+300",        "/mixed ih -7 12",
};

TEST(Query, NamespaceAsClientsReadIt) {
    Model model = modelOf(kTake);
    struct Case {
        const char *path, *query;
        int status;
        const char *body; // "" for none
    } cases[] = {
        // Floats always with a point, arrays for one value too, ranges per value.
        {"/vrenn/A0-light", "VALUE", 200, R"({"VALUE":[0.25,1.0,2.0]})"},
        {"/vrenn/A0-light", "RANGE", 200,
         R"({"RANGE":[{"MIN":0.25,"MAX":0.5},{"MIN":0.0,"MAX":1.0},{"MIN":2.0,"MAX":2.0}]})"},
        {"/vrenn/A0-light", "TYPE", 200, R"({"TYPE":"fff"})"},
        {"/vrenn/D2-button", "", 200,
         R"({"FULL_PATH":"/vrenn/D2-button","DESCRIPTION":"\"button\", on digital connector D2 of the hub",)"
         R"("ACCESS":1,"TYPE":"i","VALUE":[1],"RANGE":[{"MIN":1,"MAX":1}]})"},
        {"/mixed", "VALUE", 200, R"({"VALUE":[-7,12]})"},
        {"/other", "VALUE", 200, R"({"VALUE":["word",1e+300]})"},
        {"/other", "RANGE", 200, R"({"RANGE":[{},{"MIN":1e+300,"MAX":1e+300}]})"},
        // A name with a slash is one more level, as on the wire.
        {"/vrenn/I2C-my", "", 200,
         R"({"FULL_PATH":"/vrenn/I2C-my","DESCRIPTION":"the addresses under /vrenn/I2C-my","ACCESS":0,)"
         R"("CONTENTS":{"knob":{"FULL_PATH":"/vrenn/I2C-my/knob","DESCRIPTION":"\"my/knob\", on an I2C )"
         R"(connector of the hub","ACCESS":1,"TYPE":"f","VALUE":[3.0],"RANGE":[{"MIN":3.0,"MAX":3.0}]}}})"},
        {"/vrenn/I2C-my/", "FULL_PATH", 200, R"({"FULL_PATH":"/vrenn/I2C-my"})"},
        {"/vrenn", "TYPE", 200, "{}"},
        {"/vrenn", "VALUE", 204, ""}, // a container has no value
        {"/vrenn/A0-light", "UNIT", 204, ""},
        {"/vrenn/A0-light", "NONSENSE", 400, ""},
        {"/vrenn/A0-lightx", "", 404, ""},
        {"/nowhere/at/all", "VALUE", 404, ""},
        {"/nowhere", "HOST_INFO", 200,
         R"({"NAME":"vrennosc-monitor on stage","OSC_TRANSPORT":"UDP","EXTENSIONS":{"ACCESS":true,)"
         R"("VALUE":true,"RANGE":true,"DESCRIPTION":true,"LISTEN":true,"PATH_ADDED":true,"PATH_REMOVED":true}})"},
    };
    for (const Case &c : cases) {
        QueryAnswer answer = answerQuery(model, c.path, c.query, "stage");
        EXPECT_EQ(answer.status, c.status) << c.path << "?" << c.query;
        EXPECT_EQ(answer.body, c.body) << c.path << "?" << c.query;
    }
}

// Every node of the whole tree names its full path, and no two share a description.
TEST(Query, EveryNodeHasItsPathAndItsOwnDescription) {
    std::string root = answerQuery(modelOf(kTake), "/", "", "stage").body;
    std::vector<std::string> paths, descriptions;
    for (size_t at = 0; (at = root.find("\"FULL_PATH\":\"", at)) != std::string::npos;) {
        at += 13;
        paths.push_back(root.substr(at, root.find('"', at) - at));
    }
    for (size_t at = 0; (at = root.find("\"DESCRIPTION\":\"", at)) != std::string::npos;) {
        at += 15;
        size_t end = at;
        while (root[end] != '"' || root[end - 1] == '\\')
            ++end;
        descriptions.push_back(root.substr(at, end - at));
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"/", "/mixed", "/other", "/vrenn", "/vrenn/A0-light",
                                               "/vrenn/D2-button", "/vrenn/I2C-my", "/vrenn/I2C-my/knob"}));
    std::sort(descriptions.begin(), descriptions.end());
    EXPECT_EQ(std::unique(descriptions.begin(), descriptions.end()), descriptions.end()) << root;
    EXPECT_EQ(descriptions.size(), paths.size());
}

TEST(Query, ClientCommands) {
    struct Case {
        const char *text;
        bool read;
        const char *name, *data;
    } cases[] = {
        {R"({"COMMAND":"LISTEN","DATA":"/vrenn/A0-light"})", true, "LISTEN", "/vrenn/A0-light"},
        {R"( { "DATA" : "/a\/b\u00e9\ud83c\udfb5" , "COMMAND" : "IGNORE" , "N": 1 } )", true, "IGNORE",
         "/a/bé🎵"},
        {R"({"COMMAND":"LISTEN"})", false, "", ""},
        {R"({"COMMAND":"LISTEN","DATA":{"x":1}})", false, "", ""},
        {R"({"COMMAND":"LISTEN","DATA":"/a"} trailing)", false, "", ""},
        {R"({"COMMAND":"LISTEN","DATA":"/a\ud800"})", false, "", ""},
        {R"({"COMMAND":"LISTEN","DATA":"/a)", false, "", ""},
        {"", false, "", ""},
    };
    for (const Case &c : cases) {
        std::optional<Command> command = parseCommand(c.text);
        ASSERT_EQ(command.has_value(), c.read) << c.text;
        if (command) {
            EXPECT_EQ(command->name, c.name);
            EXPECT_EQ(command->data, c.data);
        }
    }
}

// A client gets what it listens to, in order, and skips what does not fit in its queue.
TEST(Query, ListenersQueueAndSkip) {
    Listeners listeners;
    int slow = listeners.join(), other = listeners.join();
    listeners.listen(slow, "/a");
    listeners.listen(other, "/b");
    std::vector<uint8_t> a = datagramOf("00000000.00000001 /a i 1"),
                         b = datagramOf("00000000.00000001 /b i 2");
    size_t fits = Listeners::kQueueBytes / (a.size() + Listeners::kEntryCost);
    std::string_view aView(reinterpret_cast<const char *>(a.data()), a.size()),
        bView(reinterpret_cast<const char *>(b.data()), b.size());
    for (size_t i = 0; i < fits + 5; ++i)
        listeners.offer(&aView, 1);
    listeners.offer(&bView, 1);
    listeners.announce({{true, "/c"}});
    std::vector<Outgoing> out;
    ASSERT_TRUE(listeners.take(other, out, 0));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].bytes, std::string(b.begin(), b.end()));
    EXPECT_TRUE(out[0].binary);
    EXPECT_EQ(out[1].bytes, R"({"COMMAND":"PATH_ADDED","DATA":"/c"})");
    ASSERT_TRUE(listeners.take(slow, out, 0));
    EXPECT_EQ(out.size(), fits);
    EXPECT_EQ(listeners.skipped(), 6u); // five datagrams and the announcement
    listeners.ignore(other, "/b");
    listeners.offer(&bView, 1);
    listeners.take(other, out, 0);
    EXPECT_TRUE(out.empty());
    listeners.leave(slow);
    EXPECT_FALSE(listeners.take(slow, out, 0));
    EXPECT_EQ(listeners.clients(), 1);
}

// PATH_ADDED and PATH_REMOVED come from the model's changes: a new row, a row given to a new
// address at the cap, every row cleared.
TEST(Query, PathChangesOfTheModel) {
    Model model;
    model.keepChanges();
    std::vector<std::string> expected;
    for (size_t i = 0; i <= kMaxRows; ++i) {
        std::string address = "/r" + std::to_string(i);
        model.add(Message{address, 0, {}}, static_cast<double>(i));
        if (i == kMaxRows)
            expected.push_back("-/r0"); // silent longest
        expected.push_back("+" + address);
    }
    model.clear();
    std::vector<std::string> seen;
    for (const PathChange &change : model.takeChanges())
        seen.push_back((change.added ? "+" : "-") + change.address);
    EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.begin() + expected.size()), expected);
    EXPECT_EQ(seen.size(), expected.size() + kMaxRows) << "each row cleared is removed";
    EXPECT_TRUE(model.takeChanges().empty());
}

} // namespace
} // namespace monitor
