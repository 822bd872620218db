// Sends every datagram on, unchanged, to each --forward target, IPv4 or IPv6, through a connected
// socket of its own, so that the kernel reports a target nobody listens on and one that fails holds
// back no other. A resolver thread looks names up again from time to time, as the other computer
// may boot later or change its address, and hands new sockets to the receiving thread.
#pragma once

#include "options.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>

class Forwarder {
public:
    Forwarder() = default;
    ~Forwarder();
    Forwarder(const Forwarder &) = delete;
    Forwarder &operator=(const Forwarder &) = delete;

    // Resolves every target once and starts the resolver; false with a one-line reason when a target
    // reaches the monitor's own socket (127.0.0.1:ownPort). A name that does not resolve is kept.
    bool open(const std::vector<Target> &targets, uint16_t ownPort, std::string &error);
    // Sends the count datagrams of a received batch to every target that has an address.
    void send(const mmsghdr *batch, int count);
    // "ok", "refused N", "unresolved", "unreachable" or "refused: own port", with any datagrams that
    // the target could not take for other reasons.
    std::string state(size_t target) const;
    size_t size() const { return size_; }

private:
    enum class Where { Ok, Unresolved, Unreachable, OwnPort };
    static constexpr int kNoSocket = -2; // Slot::next when nothing is handed over
    struct Slot {
        Target target;
        int fd = -1;                // the receiving thread's socket; -1 sends nothing
        int next = kNoSocket;       // a socket handed over by the resolver, under lock_; -1 stops sending
        sockaddr_storage address{}; // the resolver's: where the latest socket it handed over goes
        bool connected = false;     // the resolver's: whether it handed over a socket for address
        std::atomic<Where> where{Where::Unresolved};
        std::atomic<uint64_t> refused{0}, unsent{0};
        std::atomic<int64_t> lastRefusal{0}; // milliseconds on the steady clock
    };

    void resolve(Slot &slot);
    void hand(Slot &slot, int fd);
    void adopt();
    void resolveLoop();

    uint16_t ownPort_ = 0;
    std::unique_ptr<Slot[]> slots_;
    size_t size_ = 0;
    std::mutex lock_; // guards Slot::next, stopping_, and the writes of published_
    std::condition_variable wake_;
    bool stopping_ = false;
    std::atomic<uint64_t> published_{0}; // counts hand-overs, so the receiver locks only after one
    uint64_t adopted_ = 0;
    std::thread resolver_;
    std::vector<mmsghdr> outgoing_;
    std::vector<iovec> lengths_;
};
