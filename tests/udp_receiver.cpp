// The tests' UDP receiver: a socket bound on 127.0.0.1 and polled with a timeout.
#include "udp_receiver.h"

#include <arpa/inet.h>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

UdpReceiver::UdpReceiver(int port) : fd(socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<unsigned short>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd != -1 && bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        ::close(fd);
        fd = -1;
    }
}

UdpReceiver::~UdpReceiver() { close(); }

void UdpReceiver::close() {
    if (fd != -1) {
        ::close(fd);
        fd = -1;
    }
}

std::vector<unsigned char> UdpReceiver::receive(int timeoutMs) {
    pollfd waiting{fd, POLLIN, 0};
    if (fd == -1 || poll(&waiting, 1, timeoutMs) != 1) {
        return {};
    }
    unsigned char buffer[65536];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    return n > 0 ? std::vector<unsigned char>(buffer, buffer + n) : std::vector<unsigned char>();
}

std::vector<std::vector<unsigned char>> UdpReceiver::receiveAll(int timeoutMs) {
    std::vector<std::vector<unsigned char>> datagrams;
    for (auto d = receive(timeoutMs); !d.empty(); d = receive(timeoutMs)) {
        datagrams.push_back(std::move(d));
    }
    return datagrams;
}
