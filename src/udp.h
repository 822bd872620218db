// One UDP endpoint opened by name: connects to a host and port, or binds a local port when the
// host is empty. Sends whole datagrams and records the first error as text.
#pragma once

#include <cstddef>
#include <string>
#include <sys/socket.h>

namespace osc {

// Storage for one socket address of any family.
class SockAddr {
public:
    SockAddr();
    sockaddr *addr() { return reinterpret_cast<sockaddr *>(&storage); }
    const sockaddr *addr() const { return reinterpret_cast<const sockaddr *>(&storage); }
    std::size_t maxLen() const { return sizeof storage; }
    bool empty() const { return storage.ss_family == AF_UNSPEC; }
    std::size_t actualLen() const;

private:
    sockaddr_storage storage;
};

class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket() { close(); }
    UdpSocket(const UdpSocket &) = delete;
    UdpSocket &operator=(const UdpSocket &) = delete;

    bool isOk() const { return first_error.empty(); }
    bool isBound() const { return !bound_addr.empty(); }
    // option: 1 = IPv4 only, 2 = IPv6 only, anything else = either family.
    bool connectTo(const std::string &host, int port, int option) { return openSocket(host, port, option); }
    bool openSocket(const std::string &host, int port, int option);
    bool openSocket(const std::string &host, const std::string &port, int option);
    void close();
    bool sendPacket(const void *data, std::size_t size) { return sendPacketTo(data, size, remote_addr); }
    bool sendPacketTo(const void *data, std::size_t size, SockAddr &destination);
    void setErr(const std::string &message);

    std::string first_error;
    int handle = -1;
    SockAddr bound_addr;
    SockAddr remote_addr;
};

} // namespace osc
