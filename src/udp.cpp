// UDP socket over POSIX name resolution and sockets.
#include "udp.h"

#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <unistd.h>

namespace osc {

namespace {
int familyFromOption(int option) {
    switch (option) {
    case 1:
        return AF_INET;
    case 2:
        return AF_INET6;
    default:
        return AF_UNSPEC;
    }
}
} // namespace

SockAddr::SockAddr() { std::memset(&storage, 0, sizeof storage); }

std::size_t SockAddr::actualLen() const {
    switch (storage.ss_family) {
    case AF_UNSPEC:
        return 0;
    case AF_INET:
        return sizeof(sockaddr_in);
    case AF_INET6:
        return sizeof(sockaddr_in6);
    default:
        return maxLen();
    }
}

bool UdpSocket::openSocket(const std::string &host, int port, int option) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", port);
    return openSocket(host, std::string(text), option);
}

bool UdpSocket::openSocket(const std::string &host, const std::string &port, int option) {
    const bool binding = host.empty();
    close();
    first_error.clear();

    addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_flags = binding ? AI_PASSIVE : 0;
    hints.ai_family = familyFromOption(option);
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = 0;

    addrinfo *entries = nullptr;
    if (getaddrinfo(binding ? nullptr : host.c_str(), port.empty() ? nullptr : port.c_str(), &hints,
                    &entries) != 0) {
        return false;
    }
    bool opened = false;
    for (addrinfo *rp = entries; rp != nullptr && handle == -1; rp = rp->ai_next) {
        handle = socket(rp->ai_family, rp->ai_socktype, rp->ai_protocol);
        if (handle == -1) {
            continue;
        }
        if (binding && bind(handle, rp->ai_addr, rp->ai_addrlen) == 0) {
            socklen_t len = static_cast<socklen_t>(bound_addr.maxLen());
            getsockname(handle, bound_addr.addr(), &len);
            opened = true;
        } else if (!binding && connect(handle, rp->ai_addr, rp->ai_addrlen) == 0) {
            assert((size_t)rp->ai_addrlen <= sizeof remote_addr);
            std::memcpy(remote_addr.addr(), rp->ai_addr, rp->ai_addrlen);
            opened = true;
        } else {
            close();
        }
    }
    freeaddrinfo(entries);
    if (opened) {
        return true;
    }
    setErr(binding ? "bind failed" : "connect failed");
    assert(handle == -1);
    return false;
}

void UdpSocket::close() {
    if (handle != -1) {
        ::close(handle);
        handle = -1;
    }
}

bool UdpSocket::sendPacketTo(const void *data, std::size_t size, SockAddr &destination) {
    if (!isOk() || handle == -1) {
        setErr("not opened..");
        return false;
    }
    if (data == nullptr || size == 0) {
        return false;
    }
    auto sendOnce = [&]() {
        return isBound() ? sendto(handle, data, size, 0, destination.addr(),
                                  static_cast<socklen_t>(destination.actualLen()))
                         : send(handle, data, size, 0);
    };
    ssize_t sent = sendOnce();
    // A connected socket reports an ICMP port-unreachable from an earlier datagram on the next
    // send, which then never leaves; retrying once sends the datagram in hand.
    if (sent < 0 && errno == ECONNREFUSED) {
        sent = sendOnce();
    }
    return sent >= 0 && static_cast<std::size_t>(sent) == size;
}

void UdpSocket::setErr(const std::string &message) {
    if (first_error.empty()) {
        first_error = message;
    }
}

} // namespace osc
