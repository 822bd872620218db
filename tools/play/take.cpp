// Reading a take line by line with getline, and the checking pass over all of it.
#include "take.h"

#include "format.h"
#include "record_format.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

TakeReader::~TakeReader() {
    if (file_ != nullptr)
        std::fclose(file_);
    std::free(line_);
}

bool TakeReader::open(const std::string &path, std::string &error) {
    path_ = path;
    file_ = std::fopen(path.c_str(), "re");
    if (file_ == nullptr)
        error = "cannot read " + printable(path) + ": " + std::strerror(errno);
    return file_ != nullptr;
}

bool TakeReader::next(uint64_t &timeTag, std::vector<uint8_t> &datagram, std::string &error) {
    ssize_t length;
    while ((length = getline(&line_, &capacity_, file_)) >= 0) {
        ++number_;
        if (length > 0 && line_[length - 1] == '\n')
            --length;
        if (length > 0 && line_[length - 1] == '\r') // a take that went through Windows
            --length;
        if (length == 0)
            continue; // a blank line, as an editor may leave at the end
        if (parseRecordLine(std::string_view(line_, length), timeTag, datagram, error))
            return true;
        error = printable(path_) + ":" + std::to_string(number_) + ": " + printable(error);
        return false;
    }
    if (std::ferror(file_))
        error = "cannot read " + printable(path_) + ": " + std::strerror(errno);
    return false;
}

uint64_t timeTagNs(uint64_t difference) {
    return (difference >> 32) * 1000000000u + (((difference & 0xffffffffu) * 1000000000u) >> 32);
}

bool scanTake(const std::string &path, Take &take, std::string &error) {
    TakeReader reader;
    if (!reader.open(path, error))
        return false;
    take = Take{path, 0, 0, 0};
    error.clear();
    uint64_t timeTag = 0, previous = 0;
    std::vector<uint8_t> datagram;
    while (reader.next(timeTag, datagram, error)) {
        // A wall clock set back during the recording gives no gap rather than a negative one.
        uint64_t gap = take.messages > 0 && timeTag > previous ? timeTagNs(timeTag - previous) : 0;
        take.lengthNs += gap;
        if (take.loopGapNs == 0)
            take.loopGapNs = gap;
        previous = timeTag;
        ++take.messages;
    }
    if (!error.empty())
        return false;
    if (take.messages == 0)
        error = printable(path) + " holds no messages";
    // A take whose messages share one time tag loops once a second, rather than as fast as it can.
    if (take.loopGapNs == 0)
        take.loopGapNs = 1000000000u;
    return take.messages > 0;
}
