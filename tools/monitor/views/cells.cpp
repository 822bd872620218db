// A cell is one terminal column: a UTF-8 block takes several bytes but one cell.
#include "cells.h"

#include "printable.h"

#include <cmath>
#include <cstdio>

namespace monitor {
namespace {

constexpr int kSparkBins = static_cast<int>(kPlotSeconds / kBinSeconds);

const char *const kLevels8[] = {"▁", "▂", "▃", "▄", "▅", "▆", "▇", "█"};
const char *const kPartial[] = {"", "▏", "▎", "▍", "▌", "▋", "▊", "▉"};
const char kAsciiLevels[] = "_.-:=+*#";

// Position of value within [min, max], from 0 to 1; negative when it cannot be placed.
double fraction(double value, double min, double max) {
    if (!(min <= max) || !std::isfinite(value))
        return -1;
    if (max == min)
        return 0.5;
    return std::fmin(1, std::fmax(0, (value - min) / (max - min)));
}

} // namespace

std::string valueText(const Value &value) {
    if (!value.numeric)
        return common::printable(value.text);
    // The most digits, up to four, that fit in 8 characters: -1.959e-16 becomes -2e-16.
    char text[32];
    for (int digits = 4; digits >= 1; --digits)
        if (std::snprintf(text, sizeof text, "%.*g", digits, value.number) <= 8)
            break;
    return text;
}

std::string valueText(const Value &value, const Series &series) {
    double scale = std::fmax(std::fabs(series.min), std::fabs(series.max));
    if (!value.numeric || !(std::fabs(value.number) < scale * 5e-5))
        return valueText(value);
    Value zero = value;
    zero.number = 0;
    return valueText(zero);
}

std::string bar(double value, double min, double max, int width, bool utf8) {
    double f = fraction(value, min, max);
    int eighths = f < 0 ? 0 : static_cast<int>(std::lround(f * width * 8));
    std::string out;
    for (int cell = 0; cell < width; ++cell) {
        int filled = std::min(8, std::max(0, eighths - cell * 8));
        if (!utf8)
            out += filled >= 4 ? '#' : (filled > 0 ? '|' : '.');
        else if (filled == 8)
            out += "█";
        else
            out += filled > 0 ? kPartial[filled] : " ";
    }
    return out;
}

std::string sparkline(const Row &row, int value, double now, int width, bool utf8) {
    const Series &series = row.series[value];
    int64_t last = binOf(now);
    std::string out;
    float shown = NAN; // a cell with no value of its own holds the one before it
    for (int cell = 0; cell < width; ++cell) {
        // The cell covers bins [first, end) of the last 10 s; it shows the latest value in them.
        int64_t first = last - kSparkBins + 1 + cell * kSparkBins / width;
        int64_t end = last - kSparkBins + 1 + (cell + 1) * kSparkBins / width;
        for (int64_t b = first; b < end; ++b)
            if (!std::isnan(Model::historyAt(row, value, b)))
                shown = Model::historyAt(row, value, b);
        double f = std::isnan(shown) ? -1 : fraction(shown, series.min, series.max);
        int level = static_cast<int>(std::lround(f * 7));
        if (f < 0)
            out += ' ';
        else if (utf8)
            out += kLevels8[level];
        else
            out += kAsciiLevels[level];
    }
    return out;
}

bool isSilent(const Row &row, double now) { return now - row.lastTime >= kSilentSeconds; }

} // namespace monitor
