// The receiving socket. The buffer size is forced where the process may (root), and otherwise
// asked for up to the system's limit (net.core.rmem_max).
#include "receiver.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace monitor {
namespace {
constexpr int kReceiveBuffer = 4 << 20;
using common::kMaxDatagram;
} // namespace

Receiver::Receiver() : buffers_(kBatch * kMaxDatagram) {
    for (int i = 0; i < kBatch; ++i) {
        vectors_[i] = iovec{buffers_.data() + i * kMaxDatagram, kMaxDatagram};
        messages_[i] = mmsghdr{};
        messages_[i].msg_hdr.msg_iov = &vectors_[i];
        messages_[i].msg_hdr.msg_iovlen = 1;
    }
}

Receiver::~Receiver() {
    if (fd_ != -1)
        close(fd_);
}

std::optional<common::Failure> Receiver::open(uint16_t port) {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ == -1)
        return common::Failure{common::Exit::Failed,
                               std::string("cannot open a UDP socket: ") + std::strerror(errno), errno};
    int size = kReceiveBuffer, on = 1;
    if (setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    setsockopt(fd_, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        common::Failure failure{
            common::Exit::Failed,
            "cannot listen on 127.0.0.1 port " + std::to_string(port) + ": " + std::strerror(errno), errno};
        close(fd_);
        fd_ = -1;
        return failure;
    }
    return std::nullopt;
}

int Receiver::take() {
    for (int i = 0; i < kBatch; ++i) {
        messages_[i].msg_hdr.msg_control = controls_[i];
        messages_[i].msg_hdr.msg_controllen = sizeof controls_[i];
    }
    int count = recvmmsg(fd_, messages_, kBatch, 0, nullptr);
    if (count <= 0)
        return 0;
    msghdr &last = messages_[count - 1].msg_hdr;
    for (cmsghdr *c = CMSG_FIRSTHDR(&last); c != nullptr; c = CMSG_NXTHDR(&last, c))
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL)
            std::memcpy(&dropped_, CMSG_DATA(c), sizeof dropped_);
    return count;
}

// A drop count comes with the first datagram queued after the drops; when none follows, the
// socket's own count is asked for once the wait is over.
int Receiver::receive(int timeoutMs) {
    if (int count = take())
        return count;
    pollfd waiting{fd_, POLLIN, 0};
    if (poll(&waiting, 1, timeoutMs) > 0)
        return take();
    uint32_t memory[SK_MEMINFO_VARS] = {};
    socklen_t size = sizeof memory;
    if (getsockopt(fd_, SOL_SOCKET, SO_MEMINFO, memory, &size) == 0 &&
        size > SK_MEMINFO_DROPS * sizeof memory[0])
        dropped_ = memory[SK_MEMINFO_DROPS];
    return 0;
}

} // namespace monitor
