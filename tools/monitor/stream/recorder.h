// Records the messages that arrive, away from the receive path: the receiving thread queues each
// datagram with its arrival time, and a writer thread turns the queue into lines (take_line.h)
// several times a second. A queue over its bound loses datagrams to the file only, never to the
// screen or the forward targets; a write that fails stops the recording and keeps the reason.
#pragma once

#include "fail.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace monitor {

class Recorder {
public:
    static constexpr size_t kQueueBound = 64 << 20;

    Recorder() = default;
    ~Recorder() { stop(); }
    Recorder(const Recorder &) = delete;
    Recorder &operator=(const Recorder &) = delete;

    // Opens path and starts writing; a file that holds anything only with append, else it is refused.
    std::optional<common::Failure> open(const std::string &path, bool append);
    // Whether a recording was opened (running or stopped).
    bool recording() const { return fd_ >= 0; }
    // Queues one well-formed datagram that arrived at timeTag; never waits for the disk.
    void add(const uint8_t *data, size_t size, uint64_t timeTag);
    // Writes everything queued, then ends the writer; the file is complete when it returns.
    void stop();
    // The header's text: the file, the messages written and the size, or why recording stopped.
    std::string stateText() const;

private:
    void writeLoop();
    // Turns queued datagrams into lines; counts the ones no line can hold.
    void formatQueued(const std::vector<uint8_t> &queued, std::string &lines);
    // Writes lines whole; on failure keeps the reason and cuts the file back to its last whole line.
    void writeLines(const std::string &lines);
    // Waits for a pipe's reader to take more, for a while; false when it does not.
    bool waitWritable();
    // The reason to stop when the path no longer names the open file (removed, or its folder).
    std::string pathGone() const;
    void fail(const std::string &reason);

    int fd_ = -1;
    std::string path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::vector<uint8_t> queue_; // per datagram: time tag (8 bytes), size (4), the bytes
    bool stopping_ = false;
    std::string reason_; // why recording stopped; empty while it runs
    std::thread writer_;
    std::atomic<bool> failed_{false};
    std::atomic<uint64_t> written_{0}, size_{0}, notRecordable_{0}, notRecorded_{0};
};

} // namespace monitor
