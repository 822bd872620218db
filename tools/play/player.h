// Sends a take to one target, each message at its due time: the recorded offset from the first
// message divided by the speed, slept to with an absolute deadline so that errors do not add up.
#pragma once

#include "endpoint.h"
#include "fail.h"
#include "take.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace play {

class Player {
public:
    Player() = default;
    ~Player();
    Player(const Player &) = delete;
    Player &operator=(const Player &) = delete;

    // Resolves the target and connects a UDP socket to it, or says why it cannot.
    std::optional<common::Failure> open(const common::Endpoint &target);
    // Plays the take, looping until stop when loop is set; fails when a line no longer reads (the
    // file changed since it was checked). Shows progress when progress is set.
    std::optional<common::Failure> play(const Take &take, double speed, bool loop, bool progress,
                                        const std::atomic<bool> &stop);
    // The summary of what was not sent, or an empty string.
    std::string notSentText() const;

private:
    // Sleeps until dueNs on the monotonic clock, waking to show progress; false when stopped.
    bool waitUntil(uint64_t dueNs, const std::atomic<bool> &stop);
    void send(const std::vector<uint8_t> &datagram);
    void showProgress(uint64_t nowNs);

    int fd_ = -1;
    bool progress_ = false;
    uint64_t sent_ = 0, notSent_ = 0, loops_ = 0;
    std::string lastError_;
    uint64_t roundStartNs_ = 0, roundNs_ = 0, nextProgressNs_ = 0;
};

} // namespace play
