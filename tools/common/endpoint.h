// HOST:PORT endpoints as the tools take them on the command line, and the name lookup they share.
#pragma once

#include <cstdint>
#include <string>
#include <sys/socket.h>

namespace common {

struct Endpoint {
    std::string host; // an IPv6 address without its brackets
    std::string port;
    // HOST:PORT, an IPv6 address in brackets.
    std::string text() const;
};

// Reads a port number from 1 to 65535; false otherwise.
bool parsePort(const char *text, uint16_t &port);
// Reads HOST:PORT, where an IPv6 host is written in brackets: [::1]:9877; false when malformed.
bool parseEndpoint(const std::string &text, Endpoint &endpoint);
// The reason to refuse a value of a HOST:PORT option such as --forward.
std::string endpointError(const std::string &option, const char *value);
// The endpoint's first IPv4 address, else its first; false with the resolver's reason.
bool lookUp(const Endpoint &endpoint, sockaddr_storage &address, std::string &error);
// The length of an IPv4 or IPv6 socket address.
socklen_t lengthOf(const sockaddr_storage &address);

} // namespace common
