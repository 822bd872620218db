// Encoder of the hub's two report layouts.
#include "report.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace vhub {

namespace {
constexpr unsigned char reportId = 3;

void putLittleEndianFloat(unsigned char *out, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<unsigned char>(bits >> (8 * i));
    }
}
} // namespace

Report valueReport(const std::vector<Entry> &entries) {
    if (entries.size() > entriesPerReport) {
        throw std::invalid_argument("a value report holds at most ten entries");
    }
    Report report{};
    report[0] = reportId;
    report[1] = 0;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        unsigned char *entry = report.data() + 2 + 6 * k;
        entry[0] = static_cast<unsigned char>(entries[k].connector);
        entry[1] = static_cast<unsigned char>(entries[k].index);
        putLittleEndianFloat(entry + 2, entries[k].value);
    }
    return report;
}

Report announcement(int connector, const std::string &name, const std::string &signature) {
    // Layout: id, type, connector, name, NUL, one skipped byte, signature, NUL (the last NUL may
    // fall just past the report, where the reader's zero-filled buffer supplies it).
    const std::size_t signatureStart = 5 + name.size();
    const bool nameFits = 3 + name.size() <= reportSize;
    const bool signatureFits = signature.empty() || signatureStart + signature.size() <= reportSize;
    const bool hasNul = name.find('\0') != std::string::npos || signature.find('\0') != std::string::npos;
    if (!nameFits || !signatureFits || hasNul) {
        throw std::invalid_argument("announcement does not fit in one report: " + name);
    }
    Report report{};
    report[0] = reportId;
    report[1] = 1;
    report[2] = static_cast<unsigned char>(connector);
    std::memcpy(report.data() + 3, name.data(), name.size());
    std::memcpy(report.data() + signatureStart, signature.data(), signature.size());
    return report;
}

} // namespace vhub
