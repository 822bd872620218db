// vrennosc-monitor --check: the facts of this machine, then two seconds of listening.
#pragma once

#include <cstdint>

namespace monitor {

// Prints one line per check; returns the exit code: 0 when every check passed or is a note.
int runCheck(uint16_t port);

} // namespace monitor
