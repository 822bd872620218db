// Forwarding with sendmmsg on non-blocking sockets: a target that cannot take a datagram at once
// loses that datagram, and receiving never waits for it.
#include "forwarder.h"

#include <arpa/inet.h>
#include <cstring>
#include <netdb.h>
#include <unistd.h>

namespace {

constexpr int kSendBuffer = 4 << 20;

// The first IPv4 address of a name, else its first: "localhost" reaches a receiver on 127.0.0.1,
// as the bridge's messages do, even where it also resolves to ::1.
const addrinfo *preferred(const addrinfo *found) {
    for (const addrinfo *a = found; a != nullptr; a = a->ai_next)
        if (a->ai_family == AF_INET)
            return a;
    return found;
}

// Whether a target is the monitor's own socket, which would send every datagram round forever.
bool isOwnSocket(const addrinfo *target, uint16_t ownPort) {
    if (target->ai_family != AF_INET)
        return false;
    const auto *address = reinterpret_cast<const sockaddr_in *>(target->ai_addr);
    uint32_t host = ntohl(address->sin_addr.s_addr);
    return ntohs(address->sin_port) == ownPort && (host == INADDR_LOOPBACK || host == INADDR_ANY);
}

} // namespace

Forwarder::~Forwarder() {
    for (Open &target : targets_)
        close(target.fd);
}

bool Forwarder::open(const std::vector<Target> &targets, uint16_t ownPort, std::string &error) {
    for (const Target &target : targets) {
        addrinfo hints{}, *found = nullptr;
        hints.ai_socktype = SOCK_DGRAM;
        int status = getaddrinfo(target.host.c_str(), target.port.c_str(), &hints, &found);
        if (status != 0) {
            error = "cannot resolve " + target.text() + ": " + gai_strerror(status);
            return false;
        }
        const addrinfo *chosen = preferred(found);
        Open opened{};
        bool own = isOwnSocket(chosen, ownPort);
        opened.fd = own ? -1 : socket(chosen->ai_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        std::memcpy(&opened.address, chosen->ai_addr, chosen->ai_addrlen);
        opened.length = chosen->ai_addrlen;
        freeaddrinfo(found);
        if (own) {
            error = target.text() + " is the monitor's own port: forwarding there would loop";
            return false;
        }
        if (opened.fd == -1) {
            error = "cannot open a socket for " + target.text() + ": " + std::strerror(errno);
            return false;
        }
        int size = kSendBuffer;
        if (setsockopt(opened.fd, SOL_SOCKET, SO_SNDBUFFORCE, &size, sizeof size) != 0)
            setsockopt(opened.fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
        targets_.push_back(opened);
    }
    unsent_ = std::vector<std::atomic<uint64_t>>(targets_.size());
    return true;
}

void Forwarder::send(const mmsghdr *batch, int count) {
    outgoing_.resize(count);
    lengths_.resize(count);
    // The receive vectors carry the buffers' full size; each datagram goes out at its own length.
    for (int i = 0; i < count; ++i)
        lengths_[i] = iovec{batch[i].msg_hdr.msg_iov->iov_base, batch[i].msg_len};
    for (size_t t = 0; t < targets_.size(); ++t) {
        Open &target = targets_[t];
        for (int i = 0; i < count; ++i) {
            outgoing_[i] = mmsghdr{};
            outgoing_[i].msg_hdr.msg_iov = &lengths_[i];
            outgoing_[i].msg_hdr.msg_iovlen = 1;
            outgoing_[i].msg_hdr.msg_name = &target.address;
            outgoing_[i].msg_hdr.msg_namelen = target.length;
        }
        // sendmmsg stops at the first failure: that datagram is lost for this target, the rest go on.
        for (int sent = 0; sent < count;) {
            int done = sendmmsg(target.fd, outgoing_.data() + sent, count - sent, 0);
            if (done <= 0) {
                unsent_[t].fetch_add(1, std::memory_order_relaxed);
                ++sent;
            } else {
                sent += done;
            }
        }
    }
}
