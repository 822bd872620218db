// The row table. Rows live in a map ordered by connector, looked up by the address as it lies in
// the datagram, so that a known address costs no allocation.
#include "model.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace monitor {

namespace {

constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

// 0…3 for A0…A3, 4…10 for D2…D8, 11 I2C, 12 UART, 13 anything else.
int connectorRank(std::string_view address) {
    constexpr std::string_view prefix = "/vrenn/";
    if (address.substr(0, prefix.size()) != prefix)
        return 13;
    std::string_view label = address.substr(prefix.size());
    label = label.substr(0, label.find('-'));
    if (label.size() == 2 && label[0] == 'A' && label[1] >= '0' && label[1] <= '3')
        return label[1] - '0';
    if (label.size() == 2 && label[0] == 'D' && label[1] >= '2' && label[1] <= '8')
        return 4 + label[1] - '2';
    if (label == "I2C")
        return 11;
    return label == "UART" ? 12 : 13;
}

void clearHistory(Series &series) {
    for (float &value : series.history)
        value = kNone;
}

// A series starts with an empty range; only finite values widen it.
void startSeries(Series &series) {
    series.min = std::numeric_limits<double>::infinity();
    series.max = -series.min;
    clearHistory(series);
}

} // namespace

bool ConnectorOrder::operator()(std::string_view a, std::string_view b) const {
    int rankA = connectorRank(a), rankB = connectorRank(b);
    return rankA != rankB ? rankA < rankB : a < b;
}

void Counter::advance(int64_t bin) {
    if (bin <= lastBin)
        return;
    for (int64_t b = std::max({int64_t{0}, lastBin + 1, bin - kHistoryBins + 1}); b <= bin; ++b)
        counts[b % kHistoryBins] = 0;
    lastBin = bin;
}

double Counter::rate(double now) const {
    int64_t current = binOf(now);
    constexpr int binsPerSecond = static_cast<int>(1 / kBinSeconds);
    uint64_t sum = 0;
    for (int64_t b = current - binsPerSecond; b < current; ++b)
        if (b >= 0 && holds(b))
            sum += counts[b % kHistoryBins];
    return static_cast<double>(sum);
}

float Model::historyAt(const Row &row, int value, int64_t bin) {
    return bin >= 0 && row.counter.holds(bin) ? row.series[value].history[bin % kHistoryBins] : kNone;
}

std::string_view cutAddress(std::string_view address, std::string &cut) {
    if (address.size() <= kMaxAddress)
        return address;
    size_t end = kMaxAddress;
    while (end > 0 && (static_cast<unsigned char>(address[end]) & 0xc0) == 0x80)
        --end; // not inside a character
    cut.assign(address.substr(0, end)).append(kCutMark);
    return cut;
}

void Model::add(const Message &message, double now) {
    int64_t bin = binOf(now);
    ++total_;
    lastTime_ = now;
    counter_.advance(bin);
    ++counter_.counts[bin % kHistoryBins];
    std::string cut;
    std::string_view address = cutAddress(message.address, cut);
    auto found = rows_.find(address);
    if (found == rows_.end()) {
        size_t index = rows_.size() < kMaxRows ? rows_.size() : dropSilentLongest();
        found = rows_.emplace(std::string(address), Row{}).first;
        found->second.argc = -1;
        found->second.index = index;
        if (index == addresses_.size())
            addresses_.emplace_back(address);
        else
            addresses_[index] = address;
        if (keepChanges_)
            changes_.push_back({true, std::string(address)});
        ++layout_;
    }
    Row &row = found->second;
    bool reshaped = row.argc != message.argc;
    int64_t passed = row.counter.lastBin;
    row.counter.advance(bin);
    ++row.counter.counts[bin % kHistoryBins];
    row.total++;
    row.lastTime = now;
    recency_.touch(row.index);
    row.argc = message.argc;
    message.types.copy(row.types, kMaxTypes);
    row.types[std::min(message.types.size(), kMaxTypes)] = '\0';
    for (int i = 0; i < message.argc && i < kMaxValues; ++i) {
        const Value &value = message.values[i];
        Series &series = row.series[i];
        if (reshaped || value.numeric != row.values[i].numeric)
            startSeries(series);
        for (int64_t b = std::max({int64_t{0}, passed + 1, bin - kHistoryBins + 1}); b < bin; ++b)
            series.history[b % kHistoryBins] = kNone;
        if (value.numeric && std::isfinite(value.number)) {
            series.min = std::min(series.min, value.number);
            series.max = std::max(series.max, value.number);
        }
        series.history[bin % kHistoryBins] = static_cast<float>(value.number);
        row.values[i] = value;
    }
}

// Runs only for a new address once every row is taken.
size_t Model::dropSilentLongest() {
    size_t oldest = recency_.oldest();
    rows_.erase(addresses_[oldest]);
    if (keepChanges_)
        changes_.push_back({false, addresses_[oldest]});
    ++replaced_;
    return oldest;
}

void Model::resetRanges() {
    ++resets_;
    for (auto &[address, row] : rows_)
        for (int i = 0; i < row.argc && i < kMaxValues; ++i)
            startSeries(row.series[i]);
}

void Model::clear() {
    for (const std::string &address : addresses_)
        if (keepChanges_)
            changes_.push_back({false, address});
    rows_.clear();
    recency_.clear();
    addresses_.clear();
    replaced_ = 0;
    ++layout_;
}

} // namespace monitor
