// The checks that --check prints and the hint that the screen shows, as values made from the
// facts: what was checked, the verdict, the fact, and what to do about it.
#pragma once

#include "facts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace monitor {

enum class CheckKind { Hub, Bridge, Localhost, Loopback, Port, Messages };
// Note: a failing fact that arriving messages contradict, worth knowing but not a failure.
enum class Verdict { Ok, Fail, Note };

struct Check {
    CheckKind kind;
    Verdict verdict;
    std::string fact;   // "hub: not found"; names from outside already printable
    std::string remedy; // what to do, or empty
    // The fact and the remedy as one line.
    std::string text() const { return remedy.empty() ? fact : fact + "; " + remedy; }
};

// One check per fact, in the README's troubleshooting order; the port last. When messages were
// heard, the failing facts that they disprove become notes.
std::vector<Check> checks(const Facts &facts, uint16_t port, bool heard = false);
// The listening check of --check: arrived messages in 2 s; listened is false when the port was held
// by another program, and error tells why the port could not be opened.
Check messagesCheck(bool listened, const std::string &error, long arrived);
// The first problem with the hub, the bridge or the network, as one line, or an empty string.
std::string firstProblem(const Facts &facts);
// The hub's state in a few words, for the header.
std::string hubText(const Facts &facts);

} // namespace monitor
