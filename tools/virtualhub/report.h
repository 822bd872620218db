// The hub's input reports, encoded byte for byte as the hub sends them: 62 bytes, report id 3,
// type 0 for ten value entries, type 1 for a connector announcement.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace vhub {

constexpr std::size_t reportSize = 62;
constexpr std::size_t entriesPerReport = 10;
using Report = std::array<unsigned char, reportSize>;

struct Entry {
    int connector;
    int index;
    float value;
};

// Up to ten entries; unused entries name connector 0, which has no table and is dropped.
// Throws std::invalid_argument for more than ten.
Report valueReport(const std::vector<Entry> &entries);

// Throws std::invalid_argument when the name and signature do not fit in one report.
Report announcement(int connector, const std::string &name, const std::string &signature);

} // namespace vhub
