// The plain table, in ASCII. Silent rows are marked with "(silent)" where the screen would dim them.
#include "plain.h"

#include <cstdio>

namespace {

constexpr int kSparkWidth = 20; // half a second a character

std::string rangeText(const Series &series) {
    if (!(series.min <= series.max))
        return "";
    Value min, max;
    min.numeric = max.numeric = true;
    min.number = series.min;
    max.number = series.max;
    return " [" + valueText(min) + ".." + valueText(max) + "]";
}

std::string rowLine(const std::string &address, const Row &row, double now) {
    char head[64];
    std::snprintf(head, sizeof head, " %8.1f ", row.counter.rate(now));
    std::string line = address + head;
    for (int i = 0; i < row.argc && i < kMaxValues; ++i) {
        line += " " + valueText(row.values[i]);
        if (row.values[i].numeric)
            line += rangeText(row.series[i]) + " " + sparkline(row, i, now, kSparkWidth, false);
    }
    if (row.argc > kMaxValues)
        line += " (+" + std::to_string(row.argc - kMaxValues) + " more)";
    if (isSilent(row, now))
        line += " (silent)";
    return line;
}

} // namespace

std::string renderPlain(const Model &model, const Status &status, double now) {
    std::string out = headerLine(status) + "\n";
    if (!status.targets.empty())
        out += targetsLine(status) + "\n";
    if (!status.recording.empty())
        out += status.recording + "\n";
    out += countsLine(model, now) + "\n";
    std::string hint = silentHint(model, status, now);
    if (!hint.empty())
        out += hint + "\n";
    size_t width = 7;
    for (const auto &entry : model.rows())
        width = std::max(width, printable(entry.first).size());
    out += "address" + std::string(width - 7, ' ') + "   rate/s  values [min..max] last 10 s\n";
    for (const auto &[address, row] : model.rows()) {
        std::string shown = printable(address);
        out += rowLine(shown + std::string(width - shown.size(), ' '), row, now) + "\n";
    }
    return out;
}
