// A test's own UDP receiver on 127.0.0.1, with a timeout so that a missing datagram fails a test
// instead of hanging it.
#pragma once

#include <vector>

class UdpReceiver {
public:
    explicit UdpReceiver(int port);
    ~UdpReceiver();
    UdpReceiver(const UdpReceiver &) = delete;
    UdpReceiver &operator=(const UdpReceiver &) = delete;

    bool isOpen() const { return fd != -1; }
    void close();
    // One datagram, or an empty vector when none arrives within timeoutMs.
    std::vector<unsigned char> receive(int timeoutMs = 1000);
    // Datagrams that arrive within timeoutMs after the last one, in order.
    std::vector<std::vector<unsigned char>> receiveAll(int timeoutMs = 200);

private:
    int fd;
};
