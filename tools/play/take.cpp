// Reading a take line by line with getline, and the checking pass over all of it.
#include "take.h"

#include "schedule.h"
#include "take_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace play {
namespace {

common::Failure cannotRead(const std::string &path) {
    int error = errno;
    return {common::Exit::Failed, "cannot read " + path + ": " + std::strerror(error), error};
}

} // namespace

TakeReader::~TakeReader() {
    if (file_ != nullptr)
        std::fclose(file_);
    std::free(line_);
}

std::optional<common::Failure> TakeReader::open(const std::string &path) {
    path_ = path;
    file_ = std::fopen(path.c_str(), "re");
    if (file_ == nullptr)
        return cannotRead(path);
    return std::nullopt;
}

bool TakeReader::next(uint64_t &timeTag, std::vector<uint8_t> &datagram,
                      std::optional<common::Failure> &failure) {
    ssize_t length;
    while ((length = getline(&line_, &capacity_, file_)) >= 0) {
        ++number_;
        if (length > 0 && line_[length - 1] == '\n')
            --length;
        if (length > 0 && line_[length - 1] == '\r') // a take that went through Windows
            --length;
        if (length == 0)
            continue; // a blank line, as an editor may leave at the end
        std::string error;
        if (common::parseTakeLine(std::string_view(line_, length), timeTag, datagram, error))
            return true;
        failure = common::Failure{common::Exit::Failed, path_ + ":" + std::to_string(number_) + ": " + error};
        return false;
    }
    if (std::ferror(file_))
        failure = cannotRead(path_);
    return false;
}

std::optional<common::Failure> scanTake(const std::string &path, Take &take) {
    TakeReader reader;
    if (auto failure = reader.open(path))
        return failure;
    take = Take{path, 0, 0, 0};
    std::optional<common::Failure> failure;
    uint64_t timeTag = 0, previous = 0;
    std::vector<uint8_t> datagram;
    while (reader.next(timeTag, datagram, failure)) {
        uint64_t gap = take.messages > 0 ? gapNs(previous, timeTag) : 0;
        take.lengthNs += gap;
        if (take.loopGapNs == 0)
            take.loopGapNs = gap;
        previous = timeTag;
        ++take.messages;
    }
    if (failure)
        return failure;
    if (take.messages == 0)
        return common::Failure{common::Exit::Failed, path + " holds no messages"};
    // A take whose messages share one time tag loops once a second, rather than as fast as it can.
    if (take.loopGapNs == 0)
        take.loopGapNs = 1000000000u;
    return std::nullopt;
}

} // namespace play
