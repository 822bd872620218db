// A scripted platform, linked into tests in place of the real one: hidapi's four calls play a hub
// from a script, usleep records its pause instead of sleeping, and "localhost" resolves to ::1
// unless the lookup asks for IPv4 only, as it does first on many hosts.
#pragma once

#include <string>
#include <vector>

class HIDCommunication;

namespace fake {

using Bytes = std::vector<unsigned char>;

// What one hid_read returns: a report's bytes, no report (0) or a failed read (-1).
struct Read {
    int result;
    Bytes bytes;
};
Read report(const Bytes &bytes);
extern const Read noReport, unplug;

// Forgets the script and the calls; the next `absentOpens` hid_open calls find no hub.
void reset(int absentOpens = 0);
void queue(const std::vector<Read> &reads);
// Stops the loop as the last queued read is handed out, so that run() returns after handling it.
void stopAtLastRead(HIDCommunication *link);
// Every call, in order, as one line: "open-none pause-100000 open nonblocking read close".
std::string calls();

} // namespace fake
