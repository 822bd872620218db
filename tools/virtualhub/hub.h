// The virtual hub as hidapi sees it: plugged or not, and which report a read gets at a given time.
// Times are seconds since the scenario started; the caller owns the clock.
#pragma once

#include "scenario.h"

#include <cstddef>
#include <memory>

namespace vhub {

class VirtualHub {
public:
    VirtualHub(std::shared_ptr<const Scenario> scenario, double origin);

    // True when the hub is plugged in at time now; a handle opened then belongs to plugging().
    bool open(double now);
    // Counts unplugs: a handle opened before the latest one reads only errors.
    unsigned long plugging() const { return unplugs; }
    // hidapi's non-blocking read: the next due report (cut to length), 0 when none is due yet,
    // -1 when the hub was unplugged since the handle was opened.
    int read(unsigned long handlePlugging, double now, unsigned char *data, std::size_t length);

private:
    bool headIsDue(double now) const { return haveHead && head.at <= now; }
    void advance();
    void apply(const Event &event);

    Player player;
    Event head;
    bool haveHead;
    bool plugged = true;
    unsigned long unplugs = 0;
};

} // namespace vhub
