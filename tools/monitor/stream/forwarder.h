// Sends every datagram on, unchanged, to each --forward target, IPv4 or IPv6, through a connected
// socket of its own, so that the kernel reports a target nobody listens on and one that fails holds
// back no other. A resolver thread per target looks its name up again from time to time, as the
// other computer may boot later or change its address, and hands new sockets to the receiving
// thread; a slow lookup holds up no other target, nor the start or the end of the monitor.
#pragma once

#include "endpoint.h"
#include "fail.h"
#include "handover.h"
#include "loop_guard.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace monitor {

class Forwarder {
public:
    Forwarder() = default;
    ~Forwarder();
    Forwarder(const Forwarder &) = delete;
    Forwarder &operator=(const Forwarder &) = delete;

    // Starts the resolvers and waits up to a second for their first lookups; refuses a target that
    // reaches the monitor's own socket (127.0.0.1:ownPort). A name that does not resolve by then is
    // kept, and looked up again.
    std::optional<common::Failure> open(const std::vector<common::Endpoint> &endpoints, uint16_t ownPort);
    // Sends the count datagrams of a received batch to every target that has an address, but for
    // those that go round (loop_guard.h).
    void send(const mmsghdr *batch, int count);
    // "ok", "refused N", "unresolved", "unreachable", "refused: own port" or "no socket: …", with any
    // datagrams that the target could not take for other reasons.
    std::string state(size_t index) const;
    size_t size() const { return size_; }
    // Datagrams not passed on because they went round.
    uint64_t heldBack() const { return guard_.heldBack(); }

private:
    enum class Where { Ok, Unresolved, Unreachable, OwnPort, NoSocket };
    struct Target {
        common::Endpoint endpoint;
        int fd = -1;                // the receiving thread's socket; -1 sends nothing
        Handover handover;          // under lock
        sockaddr_storage address{}; // the resolver's: where the latest socket it handed over goes
        bool connected = false;     // the resolver's: whether it handed over a socket for address
        std::atomic<Where> where{Where::Unresolved};
        std::atomic<uint64_t> refused{0}, unsent{0};
        std::atomic<int64_t> lastRefusal{0}; // milliseconds on the steady clock
        bool looked = false;                 // under lock: the first lookup is done
    };
    // What the resolver threads share with the forwarder. Each thread holds it too, so that a lookup
    // still under way when the monitor quits delays nothing: the threads are let go, not waited for.
    struct Shared {
        uint16_t ownPort = 0;
        std::unique_ptr<Target[]> targets;
        std::mutex lock; // guards Target::handover and Target::looked, stopping, and the writes of published
        std::condition_variable wake;
        bool stopping = false;
        std::atomic<uint64_t> published{0}; // counts hand-overs, so the receiver locks only after one
    };

    static void resolve(Shared &shared, Target &target);
    static void hand(Shared &shared, Target &target, int fd);
    static void resolveLoop(std::shared_ptr<Shared> shared, size_t index);
    void adopt();

    std::shared_ptr<Shared> shared_;
    size_t size_ = 0;
    uint64_t adopted_ = 0;
    LoopGuard guard_;
    std::vector<mmsghdr> outgoing_;
    std::vector<iovec> lengths_;
};

} // namespace monitor
