// The cells of a row that every view draws: a value's text, a bar over its range, a sparkline of
// its last 10 s, and whether the row is silent. Bars and sparklines use Unicode blocks, or ASCII
// where the locale is not UTF-8.
#pragma once

#include "model.h"

#include <string>

namespace monitor {

constexpr double kSilentSeconds = 2; // a row silent this long is dimmed
constexpr double kPlotSeconds = 10;  // the time a sparkline or a plot spans

// A value in at most 8 characters; text arguments made printable.
std::string valueText(const Value &value);
// A value as its row shows it: a number far smaller than the row's range, such as a sine's -4.4e-16
// at its zero crossing, is 0 at the four digits a cell holds.
std::string valueText(const Value &value, const Series &series);
// A bar of width cells for value within [min, max]; empty cells when the range is empty.
std::string bar(double value, double min, double max, int width, bool utf8);
// The last 10 s of a series in width cells, each the latest value of its share of the bins.
std::string sparkline(const Row &row, int value, double now, int width, bool utf8);
// Whether a row has been silent long enough to be dimmed.
bool isSilent(const Row &row, double now);

} // namespace monitor
