// The page's JSON frames: the screen's header lines, and the rows in the screen's order with their
// latest values, ranges and rates. A frame carries only the rows that changed since the one before;
// a full frame carries every row and its recent history, for a page that starts or fell behind.
//
// A frame's keys (page.js reads them):
//   t      the monitor's clock, in seconds since it started
//   head   the header's lines, top first;  hint  the silence hint, "" while messages arrive
//   order  every address in the screen's order; only when it changed, and in every full frame
//   rows   the rows that changed, or every row in a full frame; each row:
//            a  address   r  messages per second   l  time of its last message
//            more  arguments beyond those shown   v  its values, each:
//              s  text   n  number, for a number   lo, hi  its range so far, once it has one
//   full   true in a full frame, which also has:
//            hist    per row, per value, the latest value of each of the last bins, oldest first
//            step    the seconds of one bin;  silent  the seconds after which a row is dimmed
//            plot    the seconds a plot spans
// Numbers that are not finite are null.
#pragma once

#include "model.h"
#include "status.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace monitor {

struct Frames {
    std::shared_ptr<const std::string> changes; // rows changed since the previous frame
    std::shared_ptr<const std::string> full;    // every row with history; null unless asked for
};

class FrameMaker {
public:
    // Renders the frame for time now, and the full frame too when full is true.
    Frames make(const Model &model, const Status &status, double now, bool full);

private:
    // A row as last rendered, with what its JSON was made from: only a row whose messages, rate
    // or ranges differ is rendered again, so that a frame costs what changed. The time tells a
    // row given to its address anew from the one before.
    struct Sent {
        uint64_t total = 0;
        double lastTime = 0, rate = 0;
        std::string json;
    };
    std::unordered_map<std::string, Sent> sent_;
    std::string order_;              // the address list as last rendered
    uint64_t layout_ = ~uint64_t{0}; // the model's layout() then; none before the first frame
    uint64_t resets_ = 0;            // the model's resets() then
};

} // namespace monitor
