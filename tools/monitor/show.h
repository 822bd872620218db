// The two ways the monitor shows the stream on standard output: the plain table once a second,
// and the live screen.
#pragma once

#include "live.h"

#include <atomic>
#include <functional>

namespace monitor {

// Prints the table once a second until stopping, or once more when seconds (if not 0) run out;
// refresh updates the status before each table. Ends when the reader of standard output goes.
void runPlain(Live &live, double seconds, const std::function<void()> &refresh,
              const std::atomic<bool> &stopping);
// Runs the live screen until q, stopping, or seconds (if not 0); true when the seconds ran out.
bool runScreen(Live &live, double seconds, const std::function<void()> &refresh,
               const std::atomic<bool> &stopping);

} // namespace monitor
