// The recorder's file: lines for the recordable messages, counts in the state, and what refuses or
// stops a recording.
#include "datagrams.h"
#include "recorder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace monitor {

TEST(Record, RecorderWritesStopsAndRefuses) {
    // Named by the process, so that a file left by another user's run is no obstacle.
    std::string path = testing::TempDir() + "record_test_take_" + std::to_string(getpid()) + ".txt";
    std::vector<uint8_t> good = datagramOf("00000001.00000000 /x f 0.5"), raw = fromHex("2f7400002c540000"),
                         bad = fromHex("78797a00");
    {
        Recorder recorder;
        ASSERT_EQ(recorder.open(path, false), std::nullopt);
        for (int i = 0; i < 3; ++i)
            recorder.add(good.data(), good.size(), (2ull << 32) + i);
        recorder.add(raw.data(), raw.size(), 3ull << 32);
        recorder.add(bad.data(), bad.size(), 4ull << 32);
        recorder.stop();
        EXPECT_EQ(recorder.stateText(), "recording " + path + ": 4 messages, 117 B, 1 not recordable");
    }
    std::stringstream file;
    file << std::ifstream(path).rdbuf();
    EXPECT_EQ(file.str(),
              "00000002.00000000 /x f 0.5\n00000002.00000001 /x f 0.5\n00000002.00000002 /x f 0.5\n"
              "00000003.00000000 #2f7400002c540000\n");
    Recorder existing, appended, full, removed;
    auto refused = existing.open(path, false);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->exit, common::Exit::Refused) << refused->text;
    EXPECT_EQ(appended.open(path, true), std::nullopt);
    ASSERT_EQ(full.open("/dev/full", false), std::nullopt);
    full.add(good.data(), good.size(), 1);
    full.stop();
    EXPECT_EQ(full.stateText(), "recording stopped: No space left on device (/dev/full: 0 messages, 0 B)");
    ASSERT_EQ(removed.open(path + ".gone", false), std::nullopt);
    unlink((path + ".gone").c_str());
    removed.add(good.data(), good.size(), 1);
    removed.stop();
    EXPECT_EQ(removed.stateText().rfind("recording stopped: the file is gone: No such file or directory", 0),
              0u)
        << removed.stateText();
    unlink(path.c_str());
}

} // namespace monitor
