// A handler may only touch a lock-free atomic; the flag it sets is the program's own.
#include "stop_signals.h"

#include <csignal>

namespace common {
namespace {

std::atomic<bool> *stopFlag = nullptr;

void onStop(int) { stopFlag->store(true); }

} // namespace

void stopOnSignals(std::atomic<bool> &flag) {
    static_assert(std::atomic<bool>::is_always_lock_free);
    stopFlag = &flag;
    struct sigaction action {};
    action.sa_handler = onStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr); // the terminal closed
    // A write to a reader that went away then fails with EPIPE, where the program ends in order.
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace common
