// The listening socket on 127.0.0.1: a 4 MiB receive buffer, and datagrams taken in batches with
// recvmmsg so that a slow screen does not make the kernel drop them.
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

private:
    int fd_ = -1;
    std::vector<uint8_t> buffers_;
    iovec vectors_[kBatch];
    mmsghdr messages_[kBatch];
};

} // namespace monitor
