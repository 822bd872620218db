// Forwarding with sendmmsg on connected non-blocking sockets: a target that cannot take a datagram
// at once loses that datagram, and receiving never waits for it, nor for a name lookup.
#include "forwarder.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace monitor {
namespace {

constexpr int kSendBuffer = 4 << 20;
constexpr auto kRetry = std::chrono::seconds(3);      // a target without a socket is tried this often
constexpr auto kFirstRound = std::chrono::seconds(1); // how long the start waits for the lookups
constexpr int kRoundsPerLookup = 10;                  // every name again after 30 s
constexpr int64_t kRefusedShownMs = 10000;            // a refusal stays in the state this long

int64_t steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Whether an address reaches the monitor's socket on 127.0.0.1, which would send every datagram
// round forever: 0.0.0.0 means this host's loopback, and an IPv6 socket sends an IPv4-mapped
// address as IPv4.
bool reachesOwnSocket(const sockaddr_storage &address, uint16_t ownPort) {
    uint32_t host = 0;
    uint16_t port = 0;
    if (address.ss_family == AF_INET) {
        const auto &v4 = reinterpret_cast<const sockaddr_in &>(address);
        host = v4.sin_addr.s_addr, port = v4.sin_port;
    } else if (const auto &v6 = reinterpret_cast<const sockaddr_in6 &>(address);
               address.ss_family == AF_INET6 && IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
        std::memcpy(&host, v6.sin6_addr.s6_addr + 12, 4);
        port = v6.sin6_port;
    } else {
        return false;
    }
    host = ntohl(host);
    return ntohs(port) == ownPort && (host == INADDR_LOOPBACK || host == INADDR_ANY);
}

// A non-blocking socket connected to the address, or -1 when there is no route to it; -2 when the
// system gives no socket at all (out of descriptors or memory), which is no fault of the target.
int connectedSocket(const sockaddr_storage &address) {
    int fd = socket(address.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd == -1)
        return errno == EAFNOSUPPORT ? -1 : -2;
    if (connect(fd, reinterpret_cast<const sockaddr *>(&address), common::lengthOf(address)) != 0) {
        close(fd);
        return -1;
    }
    int size = kSendBuffer;
    if (setsockopt(fd, SOL_SOCKET, SO_SNDBUFFORCE, &size, sizeof size) != 0)
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    return fd;
}

} // namespace

Forwarder::~Forwarder() {
    if (!shared_)
        return;
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->stopping = true; // the resolver hands nothing over from now on, and ends
    shared_->wake.notify_all();
    for (size_t t = 0; t < size_; ++t) {
        Target &target = shared_->targets[t];
        if (target.fd >= 0)
            close(target.fd);
        target.handover.offer(-1); // closes a socket not yet taken
    }
}

std::optional<common::Failure> Forwarder::open(const std::vector<common::Endpoint> &endpoints,
                                               uint16_t ownPort) {
    size_ = endpoints.size();
    if (size_ == 0)
        return std::nullopt;
    shared_ = std::make_shared<Shared>();
    shared_->ownPort = ownPort;
    shared_->targets = std::make_unique<Target[]>(size_);
    for (size_t t = 0; t < size_; ++t)
        shared_->targets[t].endpoint = endpoints[t];
    for (size_t t = 0; t < size_; ++t)
        std::thread(resolveLoop, shared_, t).detach();
    std::unique_lock<std::mutex> hold(shared_->lock);
    shared_->wake.wait_for(hold, kFirstRound, [this] {
        for (size_t t = 0; t < size_; ++t)
            if (!shared_->targets[t].looked)
                return false;
        return true;
    });
    for (size_t t = 0; t < size_; ++t)
        if (shared_->targets[t].where == Where::OwnPort)
            return common::Failure{common::Exit::Refused,
                                   endpoints[t].text() +
                                       " reaches the monitor's own port: forwarding there would loop"};
    return std::nullopt;
}

// Looks the name up; hands over a new socket when the address changed or had none. A name that
// no longer resolves, or whose new address has no route, keeps its last socket.
void Forwarder::resolve(Shared &shared, Target &target) {
    sockaddr_storage address;
    std::string unused;
    if (!common::lookUp(target.endpoint, address, unused)) {
        target.where = Where::Unresolved;
        return;
    }
    if (reachesOwnSocket(address, shared.ownPort)) {
        if (target.connected)
            hand(shared, target, -1);
        target.connected = false;
        target.where = Where::OwnPort;
        return;
    }
    if (!target.connected || std::memcmp(&address, &target.address, sizeof address) != 0) {
        int fd = connectedSocket(address);
        if (fd < 0) {
            target.where = fd == -1 ? Where::Unreachable : Where::NoSocket;
            return;
        }
        hand(shared, target, fd);
        target.address = address;
        target.connected = true;
    }
    target.where = Where::Ok;
}

void Forwarder::hand(Shared &shared, Target &target, int fd) {
    std::lock_guard<std::mutex> hold(shared.lock);
    if (shared.stopping) { // the forwarder is gone, with its sockets
        if (fd >= 0)
            close(fd);
        return;
    }
    target.handover.offer(fd);
    shared.published.fetch_add(1, std::memory_order_release);
}

void Forwarder::adopt() {
    std::lock_guard<std::mutex> hold(shared_->lock);
    for (size_t t = 0; t < size_; ++t) {
        Target &target = shared_->targets[t];
        int fd;
        if (!target.handover.take(fd))
            continue;
        if (target.fd >= 0)
            close(target.fd);
        target.fd = fd;
    }
    adopted_ = shared_->published.load(std::memory_order_relaxed);
}

// One target's name: at once, for open(); then every few seconds while it has no address, and now
// and then in any case.
void Forwarder::resolveLoop(std::shared_ptr<Shared> shared, size_t index) {
    Target &target = shared->targets[index];
    std::unique_lock<std::mutex> hold(shared->lock);
    for (int round = 0; !shared->stopping; ++round) {
        hold.unlock();
        if (round == 0 || target.where != Where::Ok || round % kRoundsPerLookup == 0)
            resolve(*shared, target);
        hold.lock();
        target.looked = true;
        shared->wake.notify_all();
        shared->wake.wait_for(hold, kRetry, [&shared] { return shared->stopping; });
    }
}

void Forwarder::send(const mmsghdr *batch, int count) {
    if (size_ == 0)
        return;
    if (shared_->published.load(std::memory_order_acquire) != adopted_)
        adopt();
    outgoing_.resize(count);
    lengths_.resize(count);
    // The receive vectors carry the buffers' full size; each datagram goes out at its own length.
    int64_t now = steadyMs();
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        auto *data = static_cast<const uint8_t *>(batch[i].msg_hdr.msg_iov->iov_base);
        if (guard_.goesRound(data, batch[i].msg_len, now))
            continue;
        lengths_[kept] = iovec{batch[i].msg_hdr.msg_iov->iov_base, batch[i].msg_len};
        outgoing_[kept] = mmsghdr{};
        outgoing_[kept].msg_hdr.msg_iov = &lengths_[kept];
        outgoing_[kept].msg_hdr.msg_iovlen = 1;
        ++kept;
    }
    count = kept;
    for (size_t t = 0; t < size_; ++t) {
        Target &target = shared_->targets[t];
        if (target.fd == -1)
            continue;
        // sendmmsg stops at the first failure. A refusal reports an earlier datagram and this one
        // was not sent, so it is sent again; any other failure loses it for this target.
        for (int sent = 0; sent < count;) {
            int done = sendmmsg(target.fd, outgoing_.data() + sent, count - sent, 0);
            if (done > 0) {
                sent += done;
            } else if (errno == ECONNREFUSED) {
                target.refused.fetch_add(1, std::memory_order_relaxed);
                target.lastRefusal.store(steadyMs(), std::memory_order_relaxed);
            } else {
                target.unsent.fetch_add(1, std::memory_order_relaxed);
                ++sent;
            }
        }
    }
}

std::string Forwarder::state(size_t index) const {
    const Target &target = shared_->targets[index];
    uint64_t refused = target.refused.load(std::memory_order_relaxed);
    std::string text = "ok";
    if (target.where == Where::Unresolved)
        text = "unresolved";
    else if (target.where == Where::Unreachable)
        text = "unreachable";
    else if (target.where == Where::OwnPort)
        text = "refused: own port";
    else if (target.where == Where::NoSocket)
        text = "no socket: out of descriptors or memory";
    else if (refused > 0 && steadyMs() - target.lastRefusal.load(std::memory_order_relaxed) < kRefusedShownMs)
        text = "refused " + std::to_string(refused);
    uint64_t unsent = target.unsent.load(std::memory_order_relaxed);
    return unsent > 0 ? text + " (" + std::to_string(unsent) + " not sent)" : text;
}

} // namespace monitor
