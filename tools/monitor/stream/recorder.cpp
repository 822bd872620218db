// The recorder's queue and writer thread. The receiving thread holds the lock for one copy; the
// writer holds it for one swap, so formatting and the disk never hold up receiving.
#include "recorder.h"

#include "printable.h"
#include "take_line.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace monitor {
namespace {

constexpr auto kWriteEvery = std::chrono::milliseconds(250);
// How long a pipe's reader may keep the monitor from writing; less once the monitor is stopping,
// so that it still ends within a second.
constexpr auto kWaitForReader = std::chrono::seconds(2);
constexpr auto kWaitWhenStopping = std::chrono::milliseconds(500);
constexpr size_t kHeader = 12;

std::string sizeText(uint64_t bytes) {
    char text[32];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    else if (bytes < (1 << 20))
        std::snprintf(text, sizeof text, "%.1f KiB", bytes / 1024.0);
    else
        std::snprintf(text, sizeof text, "%.1f MiB", bytes / 1048576.0);
    return text;
}

// Why a file that --append would add to is not a take, or "": its first line is not a message, or
// its last line has no line end, so that the next line would be glued onto it.
std::string notATake(const std::string &path, off_t size) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    std::vector<char> start(static_cast<size_t>(std::min<off_t>(size, 1 << 18)));
    char last = 0;
    bool read = fd >= 0 && pread(fd, start.data(), start.size(), 0) == static_cast<ssize_t>(start.size()) &&
                pread(fd, &last, 1, size - 1) == 1;
    if (fd >= 0)
        close(fd);
    if (!read)
        return std::string("it cannot be read: ") + std::strerror(errno);
    if (last != '\n')
        return "its last line has no line end, as a take cut short";
    auto end = std::find(start.begin(), start.end(), '\n');
    uint64_t tag;
    std::vector<uint8_t> datagram;
    std::string error;
    if (end == start.end() ||
        !common::parseTakeLine(std::string_view(start.data(), end - start.begin()), tag, datagram, error))
        return "it does not start with a take's line";
    return "";
}

} // namespace

// Never blocking: a FIFO without a reader is refused at once, and a reader that stops reading
// stops the recording rather than the monitor.
std::optional<common::Failure> Recorder::open(const std::string &path, bool append) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0644);
    struct stat status {};
    if (fd < 0 || fstat(fd, &status) != 0) {
        std::string why = errno == ENXIO ? "it is a FIFO that no program reads" : std::strerror(errno);
        common::Failure failure{common::Exit::Failed, "cannot record to " + path + ": " + why, errno};
        if (fd >= 0)
            close(fd);
        return failure;
    }
    if (status.st_size > 0 && !append) {
        close(fd);
        return common::Failure{common::Exit::Refused,
                               path +
                                   " already holds a recording: give --append to add to it, or another name"};
    }
    if (std::string why = S_ISREG(status.st_mode) && status.st_size > 0 ? notATake(path, status.st_size) : "";
        !why.empty()) {
        close(fd);
        return common::Failure{common::Exit::Refused, "cannot add to " + path + ": " + why};
    }
    fd_ = fd;
    path_ = path;
    device_ = status.st_dev;
    inode_ = status.st_ino;
    size_ = static_cast<uint64_t>(status.st_size);
    queue_.reserve(1 << 20);
    writer_ = std::thread(&Recorder::writeLoop, this);
    return std::nullopt;
}

void Recorder::add(const uint8_t *data, size_t size, uint64_t timeTag) {
    if (failed_.load(std::memory_order_relaxed))
        return;
    std::lock_guard<std::mutex> hold(lock_);
    size_t at = queue_.size();
    if (at + kHeader + size > kQueueBound) {
        notRecorded_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    uint32_t length = static_cast<uint32_t>(size);
    queue_.resize(at + kHeader + size);
    std::memcpy(&queue_[at], &timeTag, 8);
    std::memcpy(&queue_[at + 8], &length, 4);
    std::memcpy(&queue_[at + kHeader], data, size);
}

void Recorder::stop() {
    if (!writer_.joinable())
        return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    wake_.notify_one();
    writer_.join();
    close(fd_);
}

std::string Recorder::stateText() const {
    if (fd_ < 0)
        return "";
    std::string file = common::printable(path_);
    std::string counts = std::to_string(written_) + " messages, " + sizeText(size_);
    uint64_t notRecordable = notRecordable_, notRecorded = notRecorded_;
    if (notRecordable > 0)
        counts += ", " + std::to_string(notRecordable) + " not recordable";
    if (notRecorded > 0)
        counts += ", " + std::to_string(notRecorded) + " not recorded (the disk is too slow)";
    std::lock_guard<std::mutex> hold(lock_);
    if (!reason_.empty())
        return "recording stopped: " + reason_ + " (" + file + ": " + counts + ")";
    return "recording " + file + ": " + counts;
}

void Recorder::writeLoop() {
    pthread_setname_np(pthread_self(), "vrennosc-record"); // for top -H and the benchmark
    std::vector<uint8_t> queued;
    queued.reserve(1 << 20);
    std::string lines;
    for (bool last = false; !last;) {
        {
            std::unique_lock<std::mutex> hold(lock_);
            wake_.wait_for(hold, kWriteEvery, [this] { return stopping_; });
            queued.swap(queue_);
            last = stopping_;
        }
        if (!failed_) {
            formatQueued(queued, lines);
            std::string gone = pathGone();
            gone.empty() ? writeLines(lines) : fail(gone);
        }
        queued.clear();
        lines.clear();
    }
}

void Recorder::formatQueued(const std::vector<uint8_t> &queued, std::string &lines) {
    for (size_t at = 0; at < queued.size();) {
        uint64_t timeTag;
        uint32_t size;
        std::memcpy(&timeTag, &queued[at], 8);
        std::memcpy(&size, &queued[at + 8], 4);
        if (!common::appendTakeLine(&queued[at + kHeader], size, timeTag, lines))
            notRecordable_.fetch_add(1, std::memory_order_relaxed);
        at += kHeader + size;
    }
}

bool Recorder::waitWritable() {
    for (auto start = std::chrono::steady_clock::now();;) {
        pollfd writable{fd_, POLLOUT, 0};
        if (poll(&writable, 1, 100) == 1)
            return true;
        bool stopping;
        {
            std::lock_guard<std::mutex> hold(lock_);
            stopping = stopping_;
        }
        if (std::chrono::steady_clock::now() - start >= (stopping ? kWaitWhenStopping : kWaitForReader))
            return false;
    }
}

void Recorder::writeLines(const std::string &lines) {
    size_t done = 0;
    while (done < lines.size()) {
        ssize_t n = write(fd_, lines.data() + done, lines.size() - done);
        if (n < 0 && (errno == EINTR || (errno == EAGAIN && waitWritable())))
            continue;
        if (n <= 0) {
            std::string reason = n < 0 && errno == EAGAIN ? "the reader takes no more"
                                 : n < 0                  ? std::strerror(errno)
                                                          : "the file takes no more bytes";
            // A half line would stop a replay at the end of the file: cut back to the last whole one.
            size_t whole = lines.rfind('\n', done == 0 ? 0 : done - 1);
            whole = done == 0 || whole == std::string::npos ? 0 : whole + 1;
            written_ += std::count(lines.begin(), lines.begin() + whole, '\n');
            size_ += whole;
            if (whole < done && ftruncate(fd_, static_cast<off_t>(size_)) != 0)
                reason += "; the last line is cut short";
            fail(reason);
            return;
        }
        done += static_cast<size_t>(n);
    }
    written_ += std::count(lines.begin(), lines.end(), '\n');
    size_ += lines.size();
}

std::string Recorder::pathGone() const {
    struct stat status {};
    if (stat(path_.c_str(), &status) != 0)
        return std::string("the file is gone: ") + std::strerror(errno);
    if (status.st_dev != device_ || status.st_ino != inode_)
        return "the file was replaced or moved";
    return "";
}

void Recorder::fail(const std::string &reason) {
    std::lock_guard<std::mutex> hold(lock_);
    reason_ = reason;
    failed_ = true;
    queue_.clear();
}

} // namespace monitor
