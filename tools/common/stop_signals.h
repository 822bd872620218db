// The signals that ask a tool to stop: SIGINT, SIGTERM and SIGHUP; SIGPIPE is ignored.
#pragma once

#include <atomic>

namespace common {

// Sets flag when a stop signal arrives; without SA_RESTART, so that a sleep or a wait ends at once.
void stopOnSignals(std::atomic<bool> &flag);

} // namespace common
