// Turns the scenario's timed events into what hid_open and hid_read return.
#include "hub.h"

#include <algorithm>
#include <cstring>

namespace vhub {

VirtualHub::VirtualHub(std::shared_ptr<const Scenario> scenario, double origin)
    : player(std::move(scenario), origin), haveHead(player.next(head)) {}

void VirtualHub::advance() { haveHead = player.next(head); }

// Reports that fall due while the hub is unplugged are lost, as a real one would lose them.
void VirtualHub::apply(const Event &event) {
    if (event.kind == Event::Kind::Unplug) {
        plugged = false;
        ++unplugs;
    } else if (event.kind == Event::Kind::Replug) {
        plugged = true;
    }
}

bool VirtualHub::open(double now) {
    // Reports due while plugged wait for a reader; everything else that is due happens now.
    while (headIsDue(now) && !(plugged && head.kind == Event::Kind::Report)) {
        apply(head);
        advance();
    }
    return plugged;
}

int VirtualHub::read(unsigned long handlePlugging, double now, unsigned char *data, std::size_t length) {
    while (handlePlugging == unplugs && headIsDue(now)) {
        if (head.kind == Event::Kind::Report) {
            const std::size_t n = std::min(length, head.size());
            std::memcpy(data, head.data(), n);
            advance();
            return static_cast<int>(n);
        }
        apply(head);
        advance();
    }
    return handlePlugging == unplugs ? 0 : -1;
}

} // namespace vhub
