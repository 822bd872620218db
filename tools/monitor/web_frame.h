// The page's JSON frames: the screen's header lines, and the rows in the screen's order with their
// latest values, ranges and rates. A frame carries only the rows that changed since the one before;
// a full frame carries every row and its recent history, for a page that starts or fell behind.
#pragma once

#include "format.h"

#include <memory>
#include <string>
#include <unordered_map>

struct Frames {
    std::shared_ptr<const std::string> changes; // rows changed since the previous frame
    std::shared_ptr<const std::string> full;    // every row with history; null unless asked for
};

class FrameMaker {
public:
    // Renders the frame for time now, and the full frame too when full is true.
    Frames make(const Model &model, const Status &status, double now, bool full);

private:
    std::unordered_map<std::string, std::string> sent_; // each row's JSON as last rendered
    std::string order_;                                 // the address list as last rendered
};

// text as a JSON string, made printable first.
std::string jsonString(std::string_view text);
