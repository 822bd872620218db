// What the monitor knows about the stream: one row per address, in connector order, with rates,
// latest values, ranges and fixed-size histories. Memory is bounded: at most kMaxRows rows of
// addresses of at most kMaxAddress bytes; past that, a new address takes the row of the address
// silent longest.
#pragma once

#include "decode.h"
#include "recency.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace monitor {

constexpr size_t kMaxRows = 1024;
// The bytes of an address a row keeps, so that memory is bounded in bytes too; a longer one is cut
// there and marked, in the model only, never in what is forwarded or recorded.
constexpr size_t kMaxAddress = 512;
constexpr std::string_view kCutMark = "…";
constexpr size_t kMaxTypes = 64;     // type tags a row keeps, so that a row's size is fixed
constexpr double kBinSeconds = 0.25; // one history bin
constexpr int kHistoryBins = 48;     // 12 s of history

// Messages per history bin, for rates.
struct Counter {
    uint32_t counts[kHistoryBins] = {};
    int64_t lastBin = -kHistoryBins;

    // Moves on to bin, emptying the bins passed over.
    void advance(int64_t bin);
    // Whether bin is recent enough to be held.
    bool holds(int64_t bin) const { return bin <= lastBin && bin > lastBin - kHistoryBins; }
    // Messages per second over the last complete second before now.
    double rate(double now) const;
};

struct Series {
    double min = 0, max = 0;
    float history[kHistoryBins]; // the last value in each bin; NaN where none arrived
};

struct Row {
    uint64_t total = 0;
    double lastTime = 0;
    int argc = 0;
    char types[kMaxTypes + 1] = {}; // the latest message's type tags, cut at kMaxTypes
    size_t index = 0;               // its number in the model's recency order and address list
    Value values[kMaxValues];
    Series series[kMaxValues];
    Counter counter;
};

// An address that got a row, or whose row went to another address or was cleared.
struct PathChange {
    bool added;
    std::string address;
};

// Orders addresses by connector (A0…A3, D2…D8, I2C, UART), then others alphabetically.
struct ConnectorOrder {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

class Model {
public:
    // Adds one decoded message that arrived at time now (seconds).
    void add(const Message &message, double now);
    // Counts one datagram that was not a well-formed message.
    void addMalformed() { ++malformed_; }
    // Takes the count of datagrams the kernel dropped before the monitor could read them.
    void setDropped(uint64_t dropped) { dropped_ = dropped; }
    // Forgets ranges and histories; rows stay.
    void resetRanges();
    // Forgets every row.
    void clear();
    // Starts keeping the changes of the address list, for takeChanges().
    void keepChanges() { keepChanges_ = true; }
    // The changes of the address list since the last call, oldest first.
    std::vector<PathChange> takeChanges() { return std::move(changes_); }

    const std::map<std::string, Row, ConnectorOrder> &rows() const { return rows_; }
    uint64_t total() const { return total_; }
    uint64_t malformed() const { return malformed_; }
    uint64_t dropped() const { return dropped_; }
    uint64_t replaced() const { return replaced_; } // rows given to a new address at the cap
    double rate(double now) const { return counter_.rate(now); }
    double lastTime() const { return lastTime_; } // negative before the first message
    uint64_t layout() const { return layout_; }   // grows whenever the address list changes
    uint64_t resets() const { return resets_; }   // grows whenever the ranges are forgotten
    // The latest value of a row's series in bin; NaN where none arrived or bin is no longer held.
    static float historyAt(const Row &row, int value, int64_t bin);

private:
    // Frees the row of the address silent longest, for a new one; returns its index.
    size_t dropSilentLongest();

    std::map<std::string, Row, ConnectorOrder> rows_;
    RecencyOrder recency_;
    std::vector<std::string> addresses_; // by row index
    Counter counter_;
    uint64_t total_ = 0, malformed_ = 0, replaced_ = 0, dropped_ = 0, layout_ = 0, resets_ = 0;
    double lastTime_ = -1;
    bool keepChanges_ = false;
    std::vector<PathChange> changes_;
};

// The address as a row keeps it: itself, or its first kMaxAddress bytes and the mark, put in cut.
std::string_view cutAddress(std::string_view address, std::string &cut);

// The history bin of time t.
inline int64_t binOf(double t) { return static_cast<int64_t>(t / kBinSeconds); }

} // namespace monitor
