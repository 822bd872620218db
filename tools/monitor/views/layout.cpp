// Splits the room after the address and rate into equal columns, one per value.
#include "layout.h"

#include <algorithm>

namespace monitor {

namespace {

// How many values are left out, in at most room cells; "more" alone where the count does not fit.
std::string hiddenMark(int hidden, int room) {
    std::string mark = "+" + std::to_string(hidden) + " more";
    if (static_cast<int>(mark.size()) <= room)
        return mark;
    return room >= 4 ? "more" : "";
}

} // namespace

ValueLayout layoutValues(int width, int values) {
    int room = width - kValuesStart;
    ValueLayout layout;
    if (values <= 0)
        return layout;
    layout.column = std::max(0, room) / values;
    if (layout.column < kValueWidth + 1) {
        // n values with a space between them take 9n - 1 cells; values give way to the mark.
        layout.column = kValueWidth + 1;
        layout.shown = std::min(values, std::max(0, (room + 1) / layout.column));
        while (layout.shown > 0 && layout.shown < values &&
               layout.shown * layout.column +
                       static_cast<int>(hiddenMark(values - layout.shown, room).size()) >
                   room)
            --layout.shown;
        if (layout.shown < values)
            layout.hidden = hiddenMark(values - layout.shown, room - layout.shown * layout.column);
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
