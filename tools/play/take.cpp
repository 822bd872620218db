// Reading a take line by line with getline, and the checking pass over all of it.
#include "take.h"

#include "schedule.h"
#include "take_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
}

// Opened without waiting, so that a FIFO is refused rather than waited on.
std::optional<common::Failure> TakeReader::open(const std::string &path) {
    path_ = path;
    if (path == "-")
        return common::Failure{common::Exit::Failed, "a take is read twice, first to check it, so standard "
                                                     "input will not do: save it to a file first"};
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat status {};
    if (fd < 0 || fstat(fd, &status) != 0) {
        common::Failure failure = cannotRead(path);
        if (fd >= 0)
            close(fd);
        return failure;
    }
    if (!S_ISREG(status.st_mode)) {
        close(fd);
        return common::Failure{common::Exit::Failed,
                               path + " is not a file but a pipe or a device; a take is read "
                                      "twice, first to check it: save it to a file first"};
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file_ = fdopen(fd, "r");
    if (file_ == nullptr) {
        common::Failure failure = cannotRead(path);
        close(fd);
        return failure;
    }
    return std::nullopt;
}

bool TakeReader::readLine(bool &ended, bool &tooLong) {
    line_.clear();
    ended = tooLong = false;
    int c;
    while ((c = getc_unlocked(file_)) != EOF) {
        if (c == '\n')
            return ended = true;
        if (line_.size() == kMaxTakeLine) {
            tooLong = true;
            return true;
        }
        line_ += static_cast<char>(c);
    }
    return !line_.empty();
}

bool TakeReader::next(uint64_t &timeTag, std::vector<uint8_t> &datagram,
                      std::optional<common::Failure> &failure) {
    bool ended, tooLong;
    while (readLine(ended, tooLong)) {
        ++number_;
        std::string where = path_ + ":" + std::to_string(number_) + ": ";
        if (tooLong) {
            failure = common::Failure{common::Exit::Failed,
                                      where + "longer than the line of any message (over 1 MiB)"};
            return false;
        }
        if (!ended) {
            cutOff_ = number_; // the end of a take cut short, as a recorder stopped mid-line leaves it
            break;
        }
        if (!line_.empty() && line_.back() == '\r') // a take that went through Windows
            line_.pop_back();
        if (line_.empty())
            continue; // a blank line, as an editor may leave at the end
        std::string error;
        if (common::parseTakeLine(line_, timeTag, datagram, error))
            return true;
        failure = common::Failure{common::Exit::Failed, where + error};
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
    take.cutOffLine = reader.cutOffLine();
    if (take.messages == 0)
        return common::Failure{common::Exit::Failed, path + " holds no messages"};
    // A take whose messages share one time tag loops once a second, rather than as fast as it can.
    if (take.loopGapNs == 0)
        take.loopGapNs = 1000000000u;
    return std::nullopt;
}

} // namespace play
