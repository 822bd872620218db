// The benchmarks' receiving end: a UDP socket on 127.0.0.1 with a 4 MiB buffer, and a thread
// that drains it, counting datagrams and those that differ from the expected bytes.
#pragma once

#include <atomic>
#include <cstddef>
#include <sys/socket.h>
#include <thread>
#include <vector>

// Exits the program with a message when the port cannot be bound.
int boundSocket(int port);
// The receive buffer the kernel granted, in bytes.
int receiveBufferBytes(int fd);

// Takes up to 64 datagrams with one system call.
class Batch {
public:
    static constexpr int capacity = 64;
    static constexpr std::size_t datagramMax = 2048;

    Batch();
    // The number of datagrams taken, 0 or less when none; flags as for recvmmsg.
    int receive(int fd, int flags);
    const unsigned char *datagram(int i) const { return &bytes[i * datagramMax]; }
    std::size_t length(int i) const { return headers[i].msg_len; }

private:
    std::vector<unsigned char> bytes;
    mmsghdr headers[capacity];
    iovec vectors[capacity];
};

class Receiver {
public:
    Receiver(int port, const unsigned char *expected, std::size_t size);
    ~Receiver();
    void start();
    void stop();
    long received() const { return count.load(); }
    long mismatched() const { return wrong.load(); }
    // Waits until `target` datagrams have arrived or none arrived for a while; returns the count.
    long waitFor(long target) const;
    int bufferBytes() const { return receiveBufferBytes(fd); }

private:
    void drain();

    int fd;
    const unsigned char *expected;
    std::size_t size;
    std::atomic<long> count{0};
    std::atomic<long> wrong{0};
    std::atomic<bool> running{false};
    std::thread thread;
};
