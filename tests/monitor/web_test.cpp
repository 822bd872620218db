// The page's guards against other sites, and its frames' escaping of what datagrams carry.
#include "web_access.h"
#include "web_frame.h"

#include <gtest/gtest.h>

namespace monitor {

TEST(Web, HostAndOriginChecks) {
    const std::vector<std::string> names = serverNames("127.0.0.1");
    struct Case {
        const char *host;
        uint16_t port;
        bool allowed;
    } cases[] = {
        {"127.0.0.1:8080", 8080, true},
        {"LOCALHOST:8080", 8080, true},
        {"localhost", 80, true},
        {"localhost", 8080, false}, // the port may go only for 80
        {"localhost:8081", 8080, false},
        {"attacker.example:8080", 8080, false},
        {"localhost.attacker:8080", 8080, false},
        {"127.0.0.1:8080:8080", 8080, false},
        {"", 8080, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(hostAllowed(c.host, c.port, names), c.allowed) << c.host;
    EXPECT_TRUE(hostAllowed(names[2] + ":8080", 8080, names)) << "the machine's own name";
    EXPECT_FALSE(hostAllowed("10.1.2.3:8080", 8080, names)) << "another address while on loopback";
    EXPECT_TRUE(originAllowed(nullptr, "localhost:8080"));
    EXPECT_TRUE(originAllowed("http://LocalHost:8080", "localhost:8080"));
    EXPECT_FALSE(originAllowed("http://attacker.example:8080", "localhost:8080"));
    EXPECT_FALSE(originAllowed("null", "localhost:8080"));
}

// Addresses reach the page as JSON text, made printable; a frame repeats no unchanged row.
TEST(Web, FramesEscapeAndSendOnlyChanges) {
    Model model;
    Message message{"/a\"}<b>\\\n\x1b[2J", 1, {}};
    message.values[0].numeric = true;
    message.values[0].number = 0.5;
    model.add(message, 1.0);
    FrameMaker maker;
    const std::string address = R"("/a\"}<b>\\??[2J")";
    std::string full = *maker.make(model, Status{}, 1.5, true).full;
    EXPECT_NE(full.find(R"("order":[)" + address + "]"), std::string::npos) << full;
    EXPECT_NE(full.find(R"("rows":[{"a":)" + address +
                        R"(,"r":1,"l":1,"more":0,"v":[{"s":"0.5","n":0.5,"lo":0.5,"hi":0.5}]}])"),
              std::string::npos)
        << full;
    std::string same = *maker.make(model, Status{}, 1.6, false).changes;
    EXPECT_NE(same.find(R"("rows":[]})"), std::string::npos) << same;
    EXPECT_EQ(same.find("order"), std::string::npos) << same;
    message.address = "/0";
    model.add(message, 1.7);
    std::string next = *maker.make(model, Status{}, 1.7, false).changes;
    EXPECT_NE(next.find(R"("order":["/0",)" + address + R"(],"rows":[{"a":"/0",)"), std::string::npos)
        << next;
    EXPECT_EQ(next.find("/a"), next.find(address) + 1) << "only the new row: " << next;

    // What changes a row without its own message: a rate that rises and falls, ranges forgotten,
    // the row given to its address anew; each is sent once.
    auto rowsOf = [&](double now) {
        std::string frame = *maker.make(model, Status{}, now, false).changes;
        return frame.substr(frame.find("\"rows\":"));
    };
    EXPECT_NE(rowsOf(2.5).find(R"({"a":"/0","r":1,)"), std::string::npos) << "the rate rose";
    EXPECT_NE(rowsOf(3.0).find(R"({"a":"/0","r":0,)"), std::string::npos) << "the rate fell";
    EXPECT_EQ(rowsOf(3.1), R"("rows":[]})");
    model.resetRanges();
    std::string reset = rowsOf(3.2);
    EXPECT_TRUE(reset.find(R"({"a":"/0")") != std::string::npos && reset.find(R"("lo")") == std::string::npos)
        << "ranges forgotten: " << reset;
    EXPECT_EQ(rowsOf(3.3), R"("rows":[]})");
    model.clear();
    message.values[0].number = 0.25;
    model.add(message, 3.4);
    EXPECT_NE(rowsOf(3.4).find(R"("v":[{"s":"0.25")"), std::string::npos) << "a row given anew";
}

} // namespace monitor
