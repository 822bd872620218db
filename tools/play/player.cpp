// The player: a connected UDP socket, so that a target that refuses is told (ECONNREFUSED on the
// next send), and clock_nanosleep with TIMER_ABSTIME on CLOCK_MONOTONIC for every message.
#include "player.h"

#include "schedule.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/socket.h>
#include <unistd.h>

namespace play {
namespace {

constexpr uint64_t kProgressEveryNs = 250000000;

uint64_t monotonicNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

} // namespace

Player::~Player() {
    if (fd_ >= 0)
        close(fd_);
}

std::optional<common::Failure> Player::open(const common::Endpoint &target) {
    sockaddr_storage address;
    std::string error;
    if (!common::lookUp(target, address, error))
        return common::Failure{common::Exit::Failed, "cannot resolve " + target.text() + ": " + error};
    fd_ = socket(address.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0 ||
        connect(fd_, reinterpret_cast<const sockaddr *>(&address), common::lengthOf(address)) != 0) {
        int cause = errno;
        return common::Failure{common::Exit::Failed,
                               "cannot send to " + target.text() + ": " + std::strerror(cause), cause};
    }
    return std::nullopt;
}

std::optional<common::Failure> Player::play(const Take &take, double speed, bool loop, bool progress,
                                            const std::atomic<bool> &stop) {
    progress_ = progress;
    roundNs_ = scaledNs(take.lengthNs, speed);
    uint64_t start = monotonicNs();
    Schedule schedule(speed, take.loopGapNs);
    std::vector<uint8_t> datagram;
    std::optional<common::Failure> failure;
    for (loops_ = 0; !stop; ++loops_) {
        TakeReader reader;
        if ((failure = reader.open(take.path)))
            return failure;
        uint64_t timeTag = 0;
        for (bool first = true; reader.next(timeTag, datagram, failure); first = false) {
            uint64_t due = start + schedule.dueNs(timeTag, first);
            if (first)
                roundStartNs_ = due;
            if (!waitUntil(due, stop))
                return std::nullopt;
            send(datagram);
        }
        if (failure || !loop)
            break;
    }
    if (progress_ && !failure)
        showProgress(monotonicNs());
    return failure;
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

} // namespace play
