// The player: a connected UDP socket, so that a target that refuses is told (ECONNREFUSED on the
// next send), and clock_nanosleep with TIMER_ABSTIME on CLOCK_MONOTONIC for every message.
#include "player.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uint64_t kProgressEveryNs = 250000000;

uint64_t monotonicNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

// The first IPv4 address of a name, else its first: "localhost" reaches a receiver on 127.0.0.1,
// as the bridge's messages do.
const addrinfo *preferred(const addrinfo *found) {
    for (const addrinfo *a = found; a != nullptr; a = a->ai_next)
        if (a->ai_family == AF_INET)
            return a;
    return found;
}

// A take's time at a speed, held below 2^63 ns (292 years) however slow the speed.
uint64_t scaledNs(uint64_t ns, double speed) { return static_cast<uint64_t>(std::fmin(ns / speed, 9.2e18)); }

} // namespace

Player::~Player() {
    if (fd_ >= 0)
        close(fd_);
}

bool Player::open(const Target &target, std::string &error) {
    addrinfo hints{}, *found = nullptr;
    hints.ai_socktype = SOCK_DGRAM;
    int status = getaddrinfo(target.host.c_str(), target.port.c_str(), &hints, &found);
    if (status != 0) {
        error = "cannot resolve " + target.text() + ": " + gai_strerror(status);
        return false;
    }
    const addrinfo *chosen = preferred(found);
    fd_ = socket(chosen->ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    bool connected = fd_ >= 0 && connect(fd_, chosen->ai_addr, chosen->ai_addrlen) == 0;
    if (!connected)
        error = "cannot send to " + target.text() + ": " + std::strerror(errno);
    freeaddrinfo(found);
    return connected;
}

bool Player::play(const Take &take, double speed, bool loop, bool progress, const std::atomic<bool> &stop,
                  std::string &error) {
    progress_ = progress;
    roundNs_ = scaledNs(take.lengthNs, speed);
    uint64_t start = monotonicNs(), offsetNs = 0, previous = 0;
    std::vector<uint8_t> datagram;
    for (loops_ = 0; !stop; ++loops_) {
        TakeReader reader;
        if (!reader.open(take.path, error))
            return false;
        uint64_t timeTag = 0;
        for (bool first = true; reader.next(timeTag, datagram, error); first = false) {
            if (first && loops_ > 0)
                offsetNs += take.loopGapNs;
            else if (!first && timeTag > previous)
                offsetNs += timeTagNs(timeTag - previous);
            previous = timeTag;
            uint64_t due = start + scaledNs(offsetNs, speed);
            if (first)
                roundStartNs_ = due;
            if (!waitUntil(due, stop))
                return true;
            send(datagram);
        }
        if (!error.empty())
            return false;
        if (!loop)
            break;
    }
    if (progress_)
        showProgress(monotonicNs());
    return true;
}

std::string Player::notSentText() const {
    if (notSent_ == 0)
        return "";
    return std::to_string(notSent_) + " of " + std::to_string(notSent_ + sent_) + " messages not sent (" +
           lastError_ + ")";
}

bool Player::waitUntil(uint64_t dueNs, const std::atomic<bool> &stop) {
    for (;;) {
        if (stop)
            return false;
        uint64_t now = monotonicNs();
        if (progress_ && now >= nextProgressNs_) {
            showProgress(now);
            nextProgressNs_ = now + kProgressEveryNs;
        }
        if (now >= dueNs)
            return true;
        uint64_t wake = progress_ ? std::min(dueNs, nextProgressNs_) : dueNs;
        timespec until{static_cast<time_t>(wake / 1000000000u), static_cast<long>(wake % 1000000000u)};
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr); // EINTR: the loop looks at stop
    }
}

void Player::send(const std::vector<uint8_t> &datagram) {
    if (::send(fd_, datagram.data(), datagram.size(), 0) >= 0) {
        ++sent_;
        return;
    }
    ++notSent_;
    lastError_ = std::strerror(errno);
}

void Player::showProgress(uint64_t nowNs) {
    double elapsed = nowNs > roundStartNs_ ? (nowNs - roundStartNs_) / 1e9 : 0;
    std::fprintf(stderr, "\r%.1f s of %.1f s   %llu sent   loop %llu", elapsed, roundNs_ / 1e9,
                 static_cast<unsigned long long>(sent_), static_cast<unsigned long long>(loops_ + 1));
    if (notSent_ > 0)
        std::fprintf(stderr, "   %s", notSentText().c_str());
    std::fputs("\033[K", stderr);
    std::fflush(stderr);
}
