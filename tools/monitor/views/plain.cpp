// The plain table, in ASCII but for what the datagrams carry. Silent rows are marked with
// "(silent)" where the screen would dim them; addresses are padded by the columns they take.
#include "plain.h"

#include "cells.h"
#include "header.h"
#include "printable.h"

#include <algorithm>
#include <cstdio>

namespace monitor {
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
    Header header = makeHeader(model, status, now);
    std::string out = header.top + "\n";
    for (const std::string &line : header.lines)
        out += line + "\n";
    if (!header.hint.empty())
        out += header.hint + "\n";
    int width = 7;
    for (const auto &entry : model.rows())
        width = std::max(width, common::displayWidth(common::printable(entry.first)));
    out += common::padToWidth("address", width) + "   rate/s  values [min..max] last 10 s\n";
    for (const auto &[address, row] : model.rows())
        out += rowLine(common::padToWidth(address, width), row, now) + "\n";
    return out;
}

} // namespace monitor
