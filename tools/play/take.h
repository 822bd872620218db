// A recording on disk, read one line at a time so that memory stays the same for a take of any
// length; and the pass that checks every line and measures the take before anything is sent.
#pragma once

#include "fail.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace play {

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

    // Opens the file, or says why it cannot.
    std::optional<common::Failure> open(const std::string &path);
    // The next message: false at the end, or with failure set ("FILE:LINE: what is wrong").
    bool next(uint64_t &timeTag, std::vector<uint8_t> &datagram, std::optional<common::Failure> &failure);

private:
    std::string path_;
    FILE *file_ = nullptr;
    char *line_ = nullptr;
    size_t capacity_ = 0;
    long number_ = 0;
};

// Reads every line of path once into take; the first line it cannot read, or why the file cannot be read.
std::optional<common::Failure> scanTake(const std::string &path, Take &take);

} // namespace play
