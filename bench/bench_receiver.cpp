// The benchmarks' receiving end.
#include "bench_receiver.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int bufferBytesWanted = 4 << 20;
} // namespace

int boundSocket(int port) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    // Beyond net.core.rmem_max only the forcing option, which needs root, grants the full size.
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bufferBytesWanted, sizeof bufferBytesWanted) != 0) {
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bufferBytesWanted, sizeof bufferBytesWanted);
    }
    // A timeout lets the draining loop notice when it is told to stop.
    const timeval tick{0, 50000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tick, sizeof tick);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<unsigned short>(port));
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0) {
        std::fprintf(stderr, "cannot bind UDP port %d: %s\n", port, std::strerror(errno));
        std::exit(1);
    }
    return fd;
}

int receiveBufferBytes(int fd) {
    int bytes = 0;
    socklen_t len = sizeof bytes;
    getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, &len);
    return bytes / 2; // the kernel reports twice the size asked for, to cover its bookkeeping
}

Receiver::Receiver(int port, const unsigned char *expected, std::size_t size)
    : fd(boundSocket(port)), expected(expected), size(size) {}

Receiver::~Receiver() {
    stop();
    close(fd);
}

void Receiver::start() {
    running = true;
    thread = std::thread([this] { drain(); });
}

void Receiver::stop() {
    running = false;
    if (thread.joinable()) {
        thread.join();
    }
}

long Receiver::waitFor(long target) const {
    using namespace std::chrono;
    long seen = count.load();
    auto lastProgress = steady_clock::now();
    while (seen < target && steady_clock::now() - lastProgress < milliseconds(300)) {
        std::this_thread::sleep_for(microseconds(200));
        const long now = count.load();
        if (now != seen) {
            seen = now;
            lastProgress = steady_clock::now();
        }
    }
    return seen;
}

void Receiver::drain() {
    Batch batch;
    while (running) {
        const int n = batch.receive(fd, MSG_WAITFORONE);
        for (int i = 0; i < n; ++i) {
            if (batch.length(i) != size || std::memcmp(batch.datagram(i), expected, size) != 0) {
                ++wrong;
            }
        }
        if (n > 0) {
            count += n;
        }
    }
}

Batch::Batch() : bytes(capacity * datagramMax) {}

int Batch::receive(int fd, int flags) {
    // recvmmsg writes each header's length field, so the headers are set afresh every time.
    for (int i = 0; i < capacity; ++i) {
        vectors[i] = {&bytes[i * datagramMax], datagramMax};
        headers[i] = {};
        headers[i].msg_hdr.msg_iov = &vectors[i];
        headers[i].msg_hdr.msg_iovlen = 1;
    }
    return recvmmsg(fd, headers, capacity, flags, nullptr);
}
