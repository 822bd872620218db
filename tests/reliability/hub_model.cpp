// The model's rules, written from the report layout and the address map, not from the bridge.
#include "hub_model.h"

#include <cstdint>
#include <cstring>

namespace {
const char *const connectorLabels[16] = {"A0", "A1", "A2", "A3",  "D2",  "D3",  "D4",  "D5",
                                         "D6", "D7", "D8", "I2C", "I2C", "I2C", "I2C", "UART"};

// The report as the bridge sees it: 62 bytes followed by the zero fill of its read buffer.
std::string stringAt(const unsigned char *report, std::size_t offset) {
    std::string text;
    for (std::size_t i = offset; i < 62 && report[i] != 0; ++i) {
        text += static_cast<char>(report[i]);
    }
    return text;
}
} // namespace

void HubModel::apply(const unsigned char *report, std::size_t length, std::vector<ExpectedMessage> &out) {
    if (length != 62 || report[0] != 3) {
        return;
    }
    if (report[1] == 1) {
        announce(report);
    } else if (report[1] == 0) {
        for (std::size_t entry = 2; entry < 62; entry += 6) {
            std::uint32_t bits = 0;
            for (int b = 3; b >= 0; --b) {
                bits = bits << 8 | report[entry + 2 + b];
            }
            float value;
            std::memcpy(&value, &bits, sizeof value);
            store(report[entry], report[entry + 1], value, out);
        }
    }
}

void HubModel::announce(const unsigned char *report) {
    const int connector = report[2];
    if (connector < 1 || connector > 16) {
        return;
    }
    const std::string name = stringAt(report, 3);
    const std::size_t count = stringAt(report, 5 + name.size()).size();
    if (values[connector - 1].size() != count) {
        values[connector - 1].assign(count, 0.0f);
    }
    names[connector - 1] = name;
}

void HubModel::store(int connector, int index, float value, std::vector<ExpectedMessage> &out) {
    if (connector < 1 || connector > 16) {
        return;
    }
    std::vector<float> &v = values[connector - 1];
    if (static_cast<std::size_t>(index) >= v.size()) {
        return;
    }
    v[index] = value;
    if (static_cast<std::size_t>(index) + 1 == v.size()) {
        out.push_back(
            {"/vrenn/" + std::string(connectorLabels[connector - 1]) + "-" + names[connector - 1], v});
    }
}
