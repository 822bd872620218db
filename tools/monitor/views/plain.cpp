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

// Each value with its range in brackets and, if wanted, its sparkline.
std::vector<std::string> valueTexts(const Row &row, double now, bool sparklines) {
    std::vector<std::string> texts;
    for (int i = 0; i < row.argc && i < kMaxValues; ++i) {
        std::string text = " " + valueText(row.values[i], row.series[i]);
        if (row.values[i].numeric)
            text += rangeText(row.series[i]) +
                    (sparklines ? " " + sparkline(row, i, now, kSparkWidth, false) : "");
        texts.push_back(text);
    }
    return texts;
}

// Within a width, the sparklines go first, then whole values from the end, which are counted.
std::string rowLine(const std::string &address, const Row &row, double now, int width) {
    char head[64];
    std::snprintf(head, sizeof head, " %8.1f ", row.counter.rate(now));
    const std::string silent = isSilent(row, now) ? " (silent)" : "";
    auto line = [&](const std::vector<std::string> &texts, size_t shown) {
        std::string out = address + head;
        for (size_t i = 0; i < shown; ++i)
            out += texts[i];
        if (row.argc > static_cast<int>(shown))
            out += " (+" + std::to_string(row.argc - shown) + " more)";
        return out + silent;
    };
    auto fits = [&](const std::string &text) { return width <= 0 || common::displayWidth(text) <= width; };
    std::vector<std::string> texts = valueTexts(row, now, true);
    if (!fits(line(texts, texts.size())))
        texts = valueTexts(row, now, false);
    size_t shown = texts.size();
    while (shown > 0 && !fits(line(texts, shown)))
        --shown;
    // An address wider than the terminal is cut rather than wrapped.
    return width > 0 ? common::cutToWidth(line(texts, shown), width) : line(texts, shown);
}

} // namespace

std::string renderPlain(const Model &model, const Status &status, double now, int width) {
    Header header = makeHeader(model, status, now);
    std::vector<std::string> lines{header.top};
    lines.insert(lines.end(), header.lines.begin(), header.lines.end());
    if (!header.hint.empty())
        lines.push_back(header.hint);
    std::string out;
    for (const std::string &line : lines)
        for (const std::string &part : wrapToWidth(line, width))
            out += part + "\n";
    int addressWidth = 7;
    for (const auto &entry : model.rows())
        addressWidth = std::max(addressWidth, common::displayWidth(common::printable(entry.first)));
    std::string columns = common::padToWidth("address", addressWidth) + "   rate/s  values";
    if (width <= 0 || common::displayWidth(columns + " [min..max] last 10 s") <= width)
        columns += " [min..max] last 10 s";
    out += columns + "\n";
    for (const auto &[address, row] : model.rows())
        out += rowLine(common::padToWidth(address, addressWidth), row, now, width) + "\n";
    return out;
}

} // namespace monitor
