// Splits the room after the address and rate into equal columns, one per value.
#include "layout.h"

#include <algorithm>

namespace monitor {

ValueLayout layoutValues(int width, int values) {
    int room = width - kValuesStart;
    ValueLayout layout;
    if (values <= 0 || room < kValueWidth)
        return layout;
    layout.column = room / values;
    if (layout.column < kValueWidth + 1) {
        // n values with a space between them take 9n - 1 cells.
        layout.shown = std::min(values, (room + 1) / (kValueWidth + 1));
        layout.column = kValueWidth + 1;
        return layout;
    }
    layout.shown = values;
    // After the text and its space: a bar, a space and a sparkline, then a space before the next value.
    int rest = layout.column - kValueWidth - 2;
    if (rest >= 1)
        layout.bars = std::min({10, rest, std::max(1, rest / 3)});
    layout.sparks = std::max(0, rest - layout.bars - 1);
    return layout;
}

} // namespace monitor
