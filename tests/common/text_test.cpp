// Outside text made printable, and its width in terminal columns; HOST:PORT as the tools read it.
#include "endpoint.h"
#include "printable.h"

#include <gtest/gtest.h>

namespace common {

// Outside text keeps printable UTF-8; each control, C1 or stray byte becomes one '?'.
TEST(Text, Printable) {
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
        {"knob\xe2\x80\xae"
         "EVIL\xe2\x81\xa6"
         "x\xe2\x81\xa9",
         "knob?EVIL?x?"}, // bidi override, isolate
        {"a\xe2\x80\x8b"
         "b\xef\xbb\xbf\xe2\x80\xa8",
         "a?b??"}, // zero-width space, BOM, line separator
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(printable(in), out) << in;
}

// Widths in columns, not bytes: a wide character takes two, a combining one none, and a cut never
// splits a character.
TEST(Text, WidthsAreColumns) {
    struct Case {
        const char *text;
        int width; // displayWidth
        int cutAt; // a width to cut to
        const char *cut;
    } cases[] = {
        {"/vrenn/A0", 9, 4, "/vre"},   {"é日本", 5, 2, "é"}, // 日 would need columns 2 and 3
        {"e\u0301x", 2, 1, "e\u0301"},                       // the combining accent goes with its letter
        {"日本", 4, 3, "日"},          {"", 0, 3, ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(displayWidth(c.text), c.width) << c.text;
        EXPECT_EQ(cutToWidth(c.text, c.cutAt), c.cut) << c.text;
        EXPECT_EQ(displayWidth(padToWidth(c.text, 6)), 6) << c.text;
    }
}

// HOST:PORT: IPv6 in brackets, ports 1 to 65535, and nothing else.
TEST(Text, Endpoints) {
    const std::pair<const char *, const char *> cases[] = {
        {"127.0.0.1:9877", "127.0.0.1:9877"},
        {"[::1]:9877", "[::1]:9877"},
        {"studio.local:1", "studio.local:1"},
        {"host:65535", "host:65535"},
        {"::1:9877", nullptr},
        {"[::1]:0", nullptr},
        {"host:65536", nullptr},
        {"host", nullptr},
        {":9877", nullptr},
        {"host:98x", nullptr},
    };
    for (const auto &[text, shown] : cases) {
        Endpoint endpoint;
        bool parsed = parseEndpoint(text, endpoint);
        EXPECT_EQ(parsed, shown != nullptr) << text;
        if (parsed && shown) {
            EXPECT_EQ(endpoint.text(), shown) << text;
        }
    }
}

} // namespace common
