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
    long cutOffLine = 0;    // a last line without its line end, which is not sent; 0: none
};

// Longer than the line of any message, which a datagram's size bounds.
constexpr size_t kMaxTakeLine = 1 << 20;

class TakeReader {
public:
    TakeReader() = default;
    ~TakeReader();
    TakeReader(const TakeReader &) = delete;
    TakeReader &operator=(const TakeReader &) = delete;

    // Opens the file, or says why it cannot: a take is read twice, so only a regular file will do.
    std::optional<common::Failure> open(const std::string &path);
    // The next message: false at the end, or with failure set ("FILE:LINE: what is wrong"). A last
    // line without its line end is not a message: cutOffLine() names it.
    bool next(uint64_t &timeTag, std::vector<uint8_t> &datagram, std::optional<common::Failure> &failure);
    long cutOffLine() const { return cutOff_; }

private:
    // Reads the next line into line_ without its line end, never more than kMaxTakeLine bytes;
    // false at the end of the file.
    bool readLine(bool &ended, bool &tooLong);

    std::string path_;
    FILE *file_ = nullptr;
    std::string line_;
    long number_ = 0, cutOff_ = 0;
};

// Reads every line of path once into take; the first line it cannot read, or why the file cannot be read.
std::optional<common::Failure> scanTake(const std::string &path, Take &take);

} // namespace play
