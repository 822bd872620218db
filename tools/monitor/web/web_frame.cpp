// Frames are built from short strings in one pass over a snapshot of the model; what a row's JSON
// is made from is compared first, and only a changed row is formatted again.
#include "web_frame.h"

#include "cells.h"
#include "header.h"
#include "json_text.h"
#include "printable.h"

#include <cmath>
#include <cstdio>

namespace monitor {
namespace {

using common::jsonString;

constexpr int kSentBins = static_cast<int>((kPlotSeconds + 1) / kBinSeconds); // a little more than a plot

std::string number(double value) {
    if (!std::isfinite(value))
        return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", value);
    return text;
}

std::string valueJson(const Value &value, const Series &series) {
    std::string out = "{\"s\":" + jsonString(valueText(value, series));
    if (value.numeric)
        out += ",\"n\":" + number(value.number);
    if (value.numeric && series.min <= series.max)
        out += ",\"lo\":" + number(series.min) + ",\"hi\":" + number(series.max);
    return out + "}";
}

std::string rowJson(const std::string &address, const Row &row, double now) {
    std::string out = "{\"a\":" + jsonString(address) + ",\"r\":" + number(row.counter.rate(now)) +
                      ",\"l\":" + number(row.lastTime) +
                      ",\"more\":" + std::to_string(std::max(0, row.argc - kMaxValues)) + ",\"v\":[";
    for (int i = 0; i < row.argc && i < kMaxValues; ++i)
        out += (i ? "," : "") + valueJson(row.values[i], row.series[i]);
    return out + "]}";
}

// The latest value of each of the last bins of every value, oldest first; null where none arrived.
std::string historyJson(const Row &row, double now) {
    std::string out = "[";
    int64_t last = binOf(now);
    for (int i = 0; i < row.argc && i < kMaxValues; ++i) {
        out += i ? ",[" : "[";
        for (int64_t bin = last - kSentBins + 1; bin <= last; ++bin)
            out += (bin > last - kSentBins + 1 ? "," : "") + number(Model::historyAt(row, i, bin));
        out += "]";
    }
    return out + "]";
}

// The screen's header lines, in its order.
std::string headerJson(const Model &model, const Status &status, double now) {
    Header header = makeHeader(model, status, now);
    std::string lines = jsonString(header.top);
    for (const std::string &line : header.lines)
        lines += "," + jsonString(line);
    return "\"t\":" + number(now) + ",\"head\":[" + lines + "],\"hint\":" + jsonString(header.hint);
}

} // namespace

Frames FrameMaker::make(const Model &model, const Status &status, double now, bool full) {
    std::string head = headerJson(model, status, now), changed, all, history;
    bool reordered = model.layout() != layout_, reset = model.resets() != resets_;
    std::string order = reordered ? "[" : order_;
    for (const auto &[address, row] : model.rows()) {
        double rate = row.counter.rate(now);
        Sent &sent = sent_[address];
        if (reset || sent.json.empty() || sent.total != row.total || sent.lastTime != row.lastTime ||
            sent.rate != rate) {
            sent = {row.total, row.lastTime, rate, rowJson(address, row, now)};
            changed += (changed.empty() ? "" : ",") + sent.json;
        }
        if (reordered)
            order += (order.size() > 1 ? "," : "") + jsonString(address);
        if (full) {
            all += (all.empty() ? "" : ",") + sent.json;
            history += (history.empty() ? "" : ",") + historyJson(row, now);
        }
    }
    if (reordered) {
        order += "]";
        for (auto it = sent_.begin(); it != sent_.end();) // rows gone since
            it = model.rows().count(it->first) ? std::next(it) : sent_.erase(it);
    }
    std::string orderJson = order == order_ ? "" : ",\"order\":" + order;
    Frames frames;
    frames.changes =
        std::make_shared<const std::string>("{" + head + orderJson + ",\"rows\":[" + changed + "]}");
    if (full)
        frames.full = std::make_shared<const std::string>(
            "{" + head + ",\"full\":true,\"order\":" + order + ",\"step\":" + number(kBinSeconds) +
            ",\"silent\":" + number(kSilentSeconds) + ",\"plot\":" + number(kPlotSeconds) + ",\"rows\":[" +
            all + "],\"hist\":[" + history + "]}");
    order_ = std::move(order);
    layout_ = model.layout();
    resets_ = model.resets();
    return frames;
}

} // namespace monitor
