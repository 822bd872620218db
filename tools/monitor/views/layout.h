// Where the parts of a row go on the live screen at a given width. As the width shrinks, the
// sparklines go first, then the bars, then the trailing values; the space between values stays,
// and a mark says how many values are left out.
#pragma once

#include <string>

namespace monitor {

constexpr int kAddressWidth = 24;
constexpr int kRateWidth = 8;
constexpr int kValuesStart = kAddressWidth + kRateWidth + 1;
constexpr int kValueWidth = 8; // the cells of a value's text

struct ValueLayout {
    int shown = 0;      // values drawn, from the first
    int column = 0;     // cells from one value's start to the next
    int bars = 0;       // bar cells after each number, a space before them
    int sparks = 0;     // sparkline cells after each bar, a space before them
    std::string hidden; // after the values shown: "+2 more", never a bare number that reads as a value
};

// The layout of a row of `values` values on a screen `width` cells wide.
ValueLayout layoutValues(int width, int values);

} // namespace monitor
