// A recording on disk, read one line at a time so that memory stays the same for a take of any
// length; and the pass that checks every line and measures the take before anything is sent.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

struct Take {
    std::string path;
    uint64_t messages = 0;
    uint64_t lengthNs = 0;  // from the first message to the last
    uint64_t loopGapNs = 0; // from the last message to the first again, when looping
};

class TakeReader {
public:
    TakeReader() = default;
    ~TakeReader();
    TakeReader(const TakeReader &) = delete;
    TakeReader &operator=(const TakeReader &) = delete;

    // Opens the file; false with a reason.
    bool open(const std::string &path, std::string &error);
    // The next message: false at the end, or with error set ("FILE:LINE: what is wrong").
    bool next(uint64_t &timeTag, std::vector<uint8_t> &datagram, std::string &error);

private:
    std::string path_;
    FILE *file_ = nullptr;
    char *line_ = nullptr;
    size_t capacity_ = 0;
    long number_ = 0;
};

// The nanoseconds a time tag difference stands for.
uint64_t timeTagNs(uint64_t difference);
// Reads every line of path once; false with "FILE:LINE: what is wrong" or why it cannot be read.
bool scanTake(const std::string &path, Take &take, std::string &error);
