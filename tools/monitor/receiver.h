// The listening socket on 127.0.0.1: a 4 MiB receive buffer, and datagrams taken in batches with
// recvmmsg so that a slow screen does not make the kernel drop them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/socket.h>
#include <vector>

class Receiver {
public:
    static constexpr int kBatch = 32;
    static constexpr size_t kMaxDatagram = 65536;

    Receiver();
    ~Receiver();
    Receiver(const Receiver &) = delete;
    Receiver &operator=(const Receiver &) = delete;

    // Binds 127.0.0.1:port; on failure returns false with the reason, inUse telling EADDRINUSE.
    bool open(uint16_t port, std::string &error, bool &inUse);
    // Waits up to timeoutMs for datagrams and takes up to kBatch of them; returns how many.
    int receive(int timeoutMs);
    const uint8_t *data(int i) const { return buffers_.data() + i * kMaxDatagram; }
    size_t size(int i) const { return messages_[i].msg_len; }
    // The batch just received, as recvmmsg filled it, for sendmmsg.
    const mmsghdr *batch() const { return messages_; }

private:
    int fd_ = -1;
    std::vector<uint8_t> buffers_;
    iovec vectors_[kBatch];
    mmsghdr messages_[kBatch];
};
