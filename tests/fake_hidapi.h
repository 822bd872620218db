// A scripted stand-in for hidapi's four calls, linked into tests in place of the real library.
// The script says how often the hub is absent and what each hid_read returns; when the reads run
// out, the fake stops the device loop it was given, so HIDCommunication::run() returns.
#pragma once

#include <string>
#include <vector>

class HIDCommunication;

namespace fakehid {

void reset();
// The next `count` calls of hid_open find no hub.
void hubAbsentFor(int count);
void queueReport(const unsigned char *bytes, int length);
void queueReport(const std::vector<unsigned char> &bytes);
void queueNoReport(); // hid_read returns 0
void queueUnplug();   // hid_read returns -1
void stopWhenDone(HIDCommunication *link);
// Stops the loop as the last queued read is handed out, so that it ends without an empty read and
// the pause that follows one.
void stopAtLastRead(HIDCommunication *link);

// Every call made, in order: "open", "open-none", "nonblocking", "read", "close".
const std::vector<std::string> &calls();

} // namespace fakehid
