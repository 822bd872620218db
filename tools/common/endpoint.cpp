// Endpoints are kept as text: a name is looked up again whenever its address may have changed.
#include "endpoint.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>

namespace common {

std::string Endpoint::text() const {
    return (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + port;
}

bool parsePort(const char *text, uint16_t &port) {
    char *end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 1 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

bool parseEndpoint(const std::string &text, Endpoint &endpoint) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    std::string host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    else if (host.find(':') != std::string::npos)
        return false;
    uint16_t port = 0;
    if (host.empty() || !parsePort(text.c_str() + colon + 1, port))
        return false;
    endpoint = Endpoint{host, std::to_string(port)};
    return true;
}

std::string endpointError(const std::string &option, const char *value) {
    return option + " wants HOST:PORT (e.g. 127.0.0.1:9877 or [::1]:9877), not '" + value + "'";
}

// IPv4 first: "localhost" then reaches a receiver on 127.0.0.1, as the bridge's messages do, even
// where it also resolves to ::1.
bool lookUp(const Endpoint &endpoint, sockaddr_storage &address, std::string &error) {
    addrinfo hints{}, *found = nullptr;
    hints.ai_socktype = SOCK_DGRAM;
    int status = getaddrinfo(endpoint.host.c_str(), endpoint.port.c_str(), &hints, &found);
    if (status != 0) {
        error = gai_strerror(status);
        return false;
    }
    const addrinfo *chosen = found;
    for (const addrinfo *a = found; a != nullptr; a = a->ai_next)
        if (a->ai_family == AF_INET) {
            chosen = a;
            break;
        }
    address = sockaddr_storage{};
    std::memcpy(&address, chosen->ai_addr, chosen->ai_addrlen);
    freeaddrinfo(found);
    return true;
}

socklen_t lengthOf(const sockaddr_storage &address) {
    return address.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
}

} // namespace common
