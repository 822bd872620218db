// Sends every datagram on, unchanged, to each --forward target, IPv4 or IPv6. Names are resolved
// once, at start; each target has a socket of its own, so that one that fails holds back no other.
#pragma once

#include "options.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <sys/socket.h>
#include <vector>

class Forwarder {
public:
    Forwarder() = default;
    ~Forwarder();
    Forwarder(const Forwarder &) = delete;
    Forwarder &operator=(const Forwarder &) = delete;

    // Resolves and opens every target; false with the reason when one cannot be used, or is the
    // monitor's own port on 127.0.0.1.
    bool open(const std::vector<Target> &targets, uint16_t ownPort, std::string &error);
    // Sends the count datagrams of a received batch to every target.
    void send(const mmsghdr *batch, int count);
    // Datagrams that a target did not take (refused, unreachable, its buffer full).
    uint64_t unsent(size_t target) const { return unsent_[target].load(std::memory_order_relaxed); }
    size_t size() const { return targets_.size(); }

private:
    struct Open {
        int fd;
        sockaddr_storage address;
        socklen_t length;
    };
    std::vector<Open> targets_;
    std::vector<std::atomic<uint64_t>> unsent_; // read by the screen while the receiver counts
    std::vector<mmsghdr> outgoing_;
    std::vector<iovec> lengths_;
};
