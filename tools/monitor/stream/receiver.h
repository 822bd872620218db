// The listening socket on 127.0.0.1: a 4 MiB receive buffer, and datagrams taken in batches with
// recvmmsg so that a slow screen does not make the kernel drop them; what the kernel drops all the
// same (a flood, a monitor that was stopped) it counts, and the count comes with each datagram.
#pragma once

#include "datagram.h"
#include "fail.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <sys/socket.h>
#include <vector>

namespace monitor {

class Receiver {
public:
    static constexpr int kBatch = 32;

    Receiver();
    ~Receiver();
    Receiver(const Receiver &) = delete;
    Receiver &operator=(const Receiver &) = delete;

    // Binds 127.0.0.1:port; the failure carries the system's error (EADDRINUSE: the port is taken).
    std::optional<common::Failure> open(uint16_t port);
    // Waits up to timeoutMs for datagrams and takes up to kBatch of them; returns how many.
    int receive(int timeoutMs);
    const uint8_t *data(int i) const { return buffers_.data() + i * common::kMaxDatagram; }
    size_t size(int i) const { return messages_[i].msg_len; }
    // The batch just received, as recvmmsg filled it, for sendmmsg.
    const mmsghdr *batch() const { return messages_; }
    // Datagrams the kernel dropped at this socket, as of the last batch.
    uint32_t dropped() const { return dropped_; }

private:
    // Takes what has arrived, without waiting; keeps the kernel's drop count.
    int take();

    int fd_ = -1;
    std::vector<uint8_t> buffers_;
    iovec vectors_[kBatch];
    mmsghdr messages_[kBatch];
    alignas(cmsghdr) char controls_[kBatch][CMSG_SPACE(sizeof(uint32_t))];
    uint32_t dropped_ = 0;
};

} // namespace monitor
